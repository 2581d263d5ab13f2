# Joins the two sides of compare_r.sh into one table.
#
#   Rscript table.R FITS.tsv OURS.tsv R.tsv BEFORE.tsv|none OUT.tsv OUT.md
#
# OUT.tsv: one line per fit with both sides' milliseconds, log-likelihoods and coefficients (and
# the ARMAX figures for the ARIMA fits); OUT.md: the tables for people, ratio = R ms / ours ms.
args <- commandArgs(trailingOnly = TRUE)
read <- function(path) read.delim(path, colClasses = "character", na.strings = "NA")
fits <- read(args[1])
ours <- read(args[2])
theirs <- read(args[3])
before <- if (args[4] != "none") read(args[4]) else NULL

main <- fits[!fits$method %in% c("armax", "ets2"), c("id", "method", "file")]
main$n <- sapply(main$file, function(f) length(read.csv(f)$y))
pick <- function(table, ids, column) {
  table[[column]][match(ids, table$id)]
}
out <- data.frame(id = main$id, method = main$method, n = main$n,
                  ours_ms = as.numeric(pick(ours, main$id, "ms")),
                  r_ms = as.numeric(pick(theirs, main$id, "ms")),
                  armax_ms = as.numeric(pick(ours, paste0("armax:", main$id), "ms")),
                  pool_ms = as.numeric(pick(ours, paste0("threads2:", main$id), "ms")),
                  ours_loglik = pick(ours, main$id, "loglik"),
                  r_loglik = pick(theirs, main$id, "loglik"),
                  armax_loglik = pick(ours, paste0("armax:", main$id), "loglik"),
                  ours_coefficients = pick(ours, main$id, "coefficients"),
                  r_coefficients = pick(theirs, main$id, "coefficients"),
                  armax_coefficients = pick(ours, paste0("armax:", main$id), "coefficients"),
                  stringsAsFactors = FALSE)
out$ratio <- out$r_ms / out$ours_ms
if (!is.null(before)) {
  out$before_ms <- as.numeric(pick(before, out$id, "ours_ms"))
  out$before_armax_ms <- as.numeric(pick(before, out$id, "armax_ms"))
  out$before_ratio <- as.numeric(pick(before, out$id, "ratio"))
}
write.table(out, args[5], sep = "\t", quote = FALSE, row.names = FALSE, na = "NA")

ms <- function(x) ifelse(is.na(x), "n/a", ifelse(x < 10, sprintf("%.2f", x), sprintf("%.1f", x)))
ratio <- function(x) ifelse(is.na(x), "n/a", sprintf("%.1f", x))
lines <- character()
add <- function(...) lines <<- c(lines, paste0(...))
section <- function(rows, title, with_armax, with_pool = FALSE) {
  add("")
  add(title)
  add("")
  # With a before column, ours is "after".
  ours <- if (is.null(before)) "ours" else "after"
  header <- "| fit | n |"
  rule <- "|---|---:|"
  if (!is.null(before)) {
    header <- paste(header, "before ms |")
    rule <- paste0(rule, "---:|")
  }
  header <- paste0(header, " ", ours, " ms | R ms | R / ", ours, " |")
  rule <- paste0(rule, "---:|---:|---:|")
  if (with_armax) {
    if (!is.null(before)) {
      header <- paste(header, "ARMAX before ms |")
      rule <- paste0(rule, "---:|")
    }
    header <- paste0(header, " ARMAX ", if (is.null(before)) "" else "after ", "ms |")
    rule <- paste0(rule, "---:|")
  }
  if (with_pool) {
    header <- paste(header, "2 threads ms | R / 2 threads |")
    rule <- paste0(rule, "---:|---:|")
  }
  add(header)
  add(rule)
  for (i in seq_len(nrow(rows))) {
    r <- rows[i, ]
    cells <- c(sub("^ets:", "", r$id), r$n)
    if (!is.null(before)) cells <- c(cells, ms(r$before_ms))
    cells <- c(cells, ms(r$ours_ms), ms(r$r_ms), ratio(r$ratio))
    if (with_armax) {
      if (!is.null(before)) cells <- c(cells, ms(r$before_armax_ms))
      cells <- c(cells, ms(r$armax_ms))
    }
    if (with_pool) cells <- c(cells, ms(r$pool_ms), ratio(r$r_ms / r$pool_ms))
    add("| ", paste(cells, collapse = " | "), " |")
  }
  x <- rows$ratio[!is.na(rows$ratio)]
  add("")
  add(sprintf("%d fits: R / ours median %.1f, smallest %.2g (%s), %d slower than R.",
              length(x), median(x), min(x), rows$id[which.min(ifelse(is.na(rows$ratio), Inf,
                                                                  rows$ratio))],
              sum(x < 1)))
  if (!is.null(before)) {
    b <- rows$before_ratio[!is.na(rows$before_ratio)]
    add(sprintf("Before (in its own run): R / before median %.1f, smallest %.2g, %d slower than R.",
                median(b), min(b), sum(b < 1)))
  }
  if (with_armax) {
    a <- rows$armax_ms / rows$ours_ms
    a <- a[!is.na(a)]
    add(sprintf("ARMAX / ARIMA time: median %.2f, largest %.2f.", median(a), max(a)))
  }
  if (with_pool) {
    p <- rows$r_ms / rows$pool_ms
    p <- p[!is.na(p)]
    add(sprintf("With the candidates on 2 threads: R / ours median %.1f, smallest %.2g.",
                median(p), min(p)))
  }
}
load <- paste(strsplit(readLines("/proc/loadavg"), " ")[[1]][1:3], collapse = " ")
add(sprintf("Medians of the calls, milliseconds of elapsed time; R %s with forecast %s; %s, %d cores,",
            paste(R.version$major, R.version$minor, sep = "."),
            as.character(packageVersion("forecast")), format(Sys.time(), "%Y-%m-%d %H:%M"),
            parallel::detectCores()))
add(sprintf("load average %s at the end of the run.", load))
section(out[out$method == "arima", ], "ARIMA by exact maximum likelihood, with forecasts:", TRUE)
section(out[out$method == "ets", ],
        "Automatic exponential smoothing (all forms, likelihood, 5000 simulated paths):", FALSE,
        TRUE)
writeLines(lines, args[6])
