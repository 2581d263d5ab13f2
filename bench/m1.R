# R's forecast package on the M1 hold-out split, timed series by series: the reference figures of
# bench/m1.sh. Usage: Rscript m1.R DATA_DIR OUTPUT_CSV METHOD...
# Methods: ets_aic, ets_aicc, auto_arima, thetaf, snaive. Writes id, subset, method, sMAPE, MASE,
# runtime_s (processor seconds of the fit and forecast) with the accuracy measured as
# bench/m1_eval.cpp measures it.
suppressPackageStartupMessages(library(forecast))
args <- commandArgs(trailingOnly = TRUE)
if (length(args) < 3) stop("usage: Rscript m1.R DATA_DIR OUTPUT_CSV METHOD...")
dir <- args[1]
output <- args[2]
methods <- args[-(1:2)]

forecasters <- list(
  ets_aic = function(x, h) forecast(ets(x, ic = "aic"), h = h)$mean,
  ets_aicc = function(x, h) forecast(ets(x, ic = "aicc"), h = h)$mean,
  auto_arima = function(x, h) forecast(auto.arima(x), h = h)$mean,
  thetaf = function(x, h) thetaf(x, h = h)$mean,
  snaive = function(x, h) snaive(x, h = h)$mean
)
unknown <- setdiff(methods, names(forecasters))
if (length(unknown) > 0) stop("unknown method: ", paste(unknown, collapse = ", "))

ids <- character(0)
subsets <- character(0)
labels <- character(0)
smape <- numeric(0)
mase <- numeric(0)
runtime <- numeric(0)
for (subset in c("yearly", "quarterly", "monthly")) {
  d <- read.csv(file.path(dir, paste0(subset, ".csv")), stringsAsFactors = FALSE)
  for (s in split(d, factor(d$id, levels = unique(d$id)))) {
    m <- s$frequency[1]
    h <- s$h[1]
    train <- s$y[s$split == "train"]
    test <- s$y[s$split == "test"]
    x <- ts(train, frequency = m)
    scale <- mean(abs(diff(train, lag = m)))
    for (method in methods) {
      time <- system.time(f <- as.numeric(forecasters[[method]](x, h)))
      ids <- c(ids, s$id[1])
      subsets <- c(subsets, s$period[1])
      labels <- c(labels, method)
      smape <- c(smape, mean(200 * abs(test - f) / (abs(test) + abs(f))))
      mase <- c(mase, mean(abs(test - f)) / scale)
      runtime <- c(runtime, unname(time["user.self"] + time["sys.self"]))
    }
  }
}
write.csv(data.frame(id = ids, subset = subsets, method = labels, sMAPE = smape, MASE = mase,
                     runtime_s = runtime), output, row.names = FALSE)
