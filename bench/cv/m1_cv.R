# R's side of bench/cv_m1.cpp: rolling-origin cross-validation on the training part of every M1
# series, the last 3 origins one step apart, each forecasting the series' test horizon h (the
# origins n - h - 2, n - h - 1, n - h of tsCV(head(x, n - h + 1), f, h, initial = n - h - 3)).
# Usage: Rscript m1_cv.R DATA_DIR METHOD OUTPUT_CSV [STRIDE]   (METHOD: ets or auto_arima;
# STRIDE k: every k-th series of each file, from the first, as vordex_cv_m1 M1_DIR 3 k)
# Writes per series the coverage counts of the 80% and 95% limits and the pairs scored, and
# prints the processor seconds of the whole run: the work tsCV does, forecast(ets(x), h) at each
# origin (timed both through tsCV itself and through the explicit loop that also keeps limits).
suppressPackageStartupMessages(library(forecast))
args <- commandArgs(trailingOnly = TRUE)
dir <- args[1]
method <- args[2]
output <- args[3]
stride <- if (length(args) > 3) as.integer(args[4]) else 1L
fit <- switch(method, ets = function(x) ets(x), auto_arima = function(x) auto.arima(x))
rows <- list()
loop_time <- 0
tscv_time <- 0
for (subset in c("yearly", "quarterly", "monthly")) {
  d <- read.csv(file.path(dir, paste0(subset, ".csv")), stringsAsFactors = FALSE)
  d <- d[d$split == "train", ]
  ids <- unique(d$id)
  for (id in ids[seq(1, length(ids), by = stride)]) {
    s <- d[d$id == id, ]
    x <- ts(s$y, frequency = s$frequency[1])
    n <- length(x)
    h <- s$h[1]
    if (method == "ets") {
      # tsCV as a user calls it, over exactly the three origins.
      t0 <- proc.time()[["user.self"]]
      e <- tsCV(ts(x[1:(n - h + 1)], frequency = frequency(x)),
                function(y, h) forecast(ets(y), h = h), h = h, initial = n - h - 3)
      tscv_time <- tscv_time + proc.time()[["user.self"]] - t0
    }
    t0 <- proc.time()[["user.self"]]
    c80 <- 0; c95 <- 0; k <- 0
    for (o in (n - h - 2):(n - h)) {
      train <- ts(x[1:o], frequency = frequency(x))
      fc <- forecast(fit(train), h = h, level = c(80, 95))
      y <- x[(o + 1):(o + h)]
      c80 <- c80 + sum(y >= fc$lower[, 1] & y <= fc$upper[, 1])
      c95 <- c95 + sum(y >= fc$lower[, 2] & y <= fc$upper[, 2])
      k <- k + h
    }
    loop_time <- loop_time + proc.time()[["user.self"]] - t0
    rows[[length(rows) + 1]] <- data.frame(id = id, subset = subset, in80 = c80, in95 = c95, n = k)
  }
}
out <- do.call(rbind, rows)
write.csv(out, output, row.names = FALSE)
cat(sprintf("%s: loop %.1f s, tsCV %.1f s, coverage 80 %.2f%%, 95 %.2f%%\n", method, loop_time,
            tscv_time, 100 * sum(out$in80) / sum(out$n), 100 * sum(out$in95) / sum(out$n)))
