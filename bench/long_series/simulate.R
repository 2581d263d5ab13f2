# Writes the long series of the long-series benchmark: a simulated ARIMA(2,1,2),
# (1 - 0.5B + 0.3B^2)(1 - B) y = (1 - 0.4B - 0.2B^2) e with e ~ N(0, 1), in the Box-Jenkins signs
# (R's arima.sim takes the MA with the opposite sign), n = 5,000, 50,000 and 100,000, from one
# seed, one value a line.
args <- commandArgs(trailingOnly = TRUE)
out <- args[1]
set.seed(20261207)
y <- 1000 + as.numeric(arima.sim(list(order = c(2, 1, 2), ar = c(0.5, -0.3), ma = c(-0.4, -0.2)),
                                 n = 100000))[-1]
for (n in c(5000, 50000, 100000))
  write.table(y[1:n], file.path(out, paste0("arima212_", format(n, scientific = FALSE), ".csv")), row.names = FALSE,
              col.names = "y")
