# R's side of the long-series benchmark: one line per fit, "name<TAB>seconds<TAB>loglik<TAB>model".
# Arima(method = "ML") for ARIMA(2,1,2) at 5,000 and 50,000 values; ets() (every form by AICc)
# at 100,000 values. Seconds are processor seconds (user + system) of the fit alone.
suppressPackageStartupMessages(library(forecast))
args <- commandArgs(trailingOnly = TRUE)
dir <- args[1]
read <- function(n) read.csv(file.path(dir, paste0("arima212_", format(n, scientific = FALSE), ".csv")))$y
timed <- function(name, expr) {
  start <- proc.time()
  fit <- eval.parent(substitute(expr))
  used <- proc.time() - start
  model <- if (is.null(fit$method) || grepl("^ML", fit$method)) "ARIMA(2,1,2)" else fit$method
  cat(name, "\t", sum(used[c("user.self", "sys.self")]), "\t", format(fit$loglik, digits = 17),
      "\t", model, "\n", sep = "")
}
for (n in c(5000, 50000)) timed(paste0("arima212_", format(n, scientific = FALSE)), Arima(read(n), order = c(2, 1, 2),
                                                             method = "ML"))
timed("ets_100000", ets(read(100000)))
