# R's side of the comparison (compare_r.sh), and the conductor of both sides: for each fit it
# times R, then runs our timing program on the same fit (and its ARMAX companion), so that the two
# sides of a row are measured within seconds of each other on a machine whose load may change.
#
#   Rscript fits.R FITS.tsv CALLS TIMING OURS.tsv R.tsv
#
# Both outputs have the columns of vordex_timing: id, median milliseconds of CALLS calls after one
# untimed call, log-likelihood, coefficients in the Box-Jenkins signs.
#
# arima rows: forecast::Arima(y, order, seasonal, include.mean, method = "ML") on the series (its
#   logarithm for transform log), then forecast(fit, h).
# ets rows: forecast(ets(y), h, simulate = TRUE, npaths = 5000). R's ets always estimates the
#   initial states together with the parameters and has no heuristic-states mode, so the rows for
#   both initialization methods time the same call.
# armax rows are ours alone: they run with the ARIMA row of the same fit.
suppressPackageStartupMessages(library(forecast))

args <- commandArgs(trailingOnly = TRUE)
fits <- read.delim(args[1], colClasses = c(id = "character", file = "character",
                                           method = "character", transform = "character"))
calls <- as.integer(args[2])
timing <- args[3]
ours_out <- args[4]
r_out <- args[5]

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

header <- "id\tms\tloglik\tcoefficients"
cat(header, "\n", sep = "", file = r_out)
cat(header, "\n", sep = "", file = ours_out)
one_fit <- tempfile(fileext = ".tsv")
ours <- function(rows) {
  write.table(fits[rows, ], one_fit, sep = "\t", quote = FALSE, row.names = FALSE)
  out <- system2(timing, c(one_fit, calls), stdout = TRUE)
  cat(out[-1], sep = "\n", file = ours_out, append = TRUE)  # a newline after each line
}
for (i in seq_len(nrow(fits))) {
  f <- fits[i, ]
  if (f$method %in% c("armax", "ets2")) next
  companion <- which(fits$id %in% paste0(c("armax:", "threads2:"), f$id))
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
  ours(c(i, companion))
  if (is.null(timed)) {
    cat(f$id, "NA", "NA", "", sep = "\t", file = r_out, append = TRUE)
    cat("\n", file = r_out, append = TRUE)
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
      sep = "\t", file = r_out, append = TRUE)
  cat("\n", file = r_out, append = TRUE)
}
