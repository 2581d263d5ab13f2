# R's side of the comparison (compare_r.sh): the same list of fits as vordex_timing, the same
# output columns (id, median milliseconds of CALLS calls after one untimed call, log-likelihood,
# coefficients in the Box-Jenkins signs).
#
#   Rscript fits.R FITS.tsv [CALLS]
#
# arima rows: forecast::Arima(y, order, seasonal, include.mean, method = "ML") on the series (its
#   logarithm for transform log), then forecast(fit, h).
# ets rows: forecast(ets(y), h, simulate = TRUE, npaths = 5000). R's ets always estimates the
#   initial states together with the parameters and has no heuristic-states mode, so the rows for
#   both initialization methods time the same call.
# armax rows are ours alone and are skipped.
suppressPackageStartupMessages(library(forecast))

args <- commandArgs(trailingOnly = TRUE)
fits <- read.delim(args[1], colClasses = c(id = "character", file = "character",
                                           method = "character", transform = "character"))
calls <- if (length(args) >= 2) as.integer(args[2]) else 5L

clock_ms <- function() as.numeric(Sys.time()) * 1000

time_calls <- function(run) {
  result <- run()
  ms <- numeric(calls)
  for (i in seq_len(calls)) {
    start <- clock_ms()
    result <- run()
    ms[i] <- clock_ms() - start
  }
  list(ms = median(ms), result = result)
}

cat("id\tms\tloglik\tcoefficients\n")
for (i in seq_len(nrow(fits))) {
  f <- fits[i, ]
  if (f$method == "armax") next
  y <- ts(read.csv(f$file)$y, frequency = f$s)
  if (f$method == "arima") {
    if (f$transform == "log") y <- log(y)
    run <- function() {
      fit <- Arima(y, order = c(f$p, f$d, f$q),
                   seasonal = list(order = c(f$P, f$D, f$Q), period = f$s),
                   include.mean = f$mean == 1, method = "ML")
      forecast(fit, h = f$h)
      fit
    }
  } else {
    run <- function() {
      fit <- ets(y)
      forecast(fit, h = f$h, simulate = TRUE, npaths = 5000)
      fit
    }
  }
  timed <- tryCatch(time_calls(run), error = function(e) NULL)
  if (is.null(timed)) {
    cat(f$id, "NA", "NA", "", sep = "\t")
    cat("\n")
    next
  }
  fit <- timed$result
  coefficients <- ""
  if (f$method == "arima") {
    b <- coef(fit)
    b <- b[names(b) != "intercept"]
    # R writes the moving-average operators 1 + theta B; the Box-Jenkins sign is the opposite.
    ma <- grepl("^s?ma", names(b))
    b[ma] <- -b[ma]
    coefficients <- paste(sprintf("%.17g", b), collapse = " ")
  }
  cat(f$id, sprintf("%.3f", timed$ms), sprintf("%.17g", fit$loglik), coefficients,
      sep = "\t")
  cat("\n")
}
