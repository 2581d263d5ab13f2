# R's side of the regression benchmark: auto.arima(xreg =) on LakeHuron with a trend and on
# Seatbelts (drivers, log and raw) with the law and the petrol price, with R's default search
# (approximation by conditional sums of squares for series above 150 values) and the exact one.
# Writes the data files for the command-line tool into DIR and one line per fit to standard output:
# name, model, AICc, processor seconds of the fit.
suppressMessages(library(forecast))
dir <- commandArgs(TRUE)[1]
belts <- Seatbelts[, c("drivers", "law", "PetrolPrice")]
write.csv(data.frame(level = as.numeric(LakeHuron), time = as.numeric(time(LakeHuron))),
          file.path(dir, "lake.csv"), row.names = FALSE)
write.csv(data.frame(time = 1973:1982), file.path(dir, "lake_ahead.csv"), row.names = FALSE)
write.csv(data.frame(drivers = as.numeric(belts[, 1]), log_drivers = log(as.numeric(belts[, 1])),
                     law = as.numeric(belts[, 2]), PetrolPrice = as.numeric(belts[, 3])),
          file.path(dir, "belts.csv"), row.names = FALSE)
write.csv(data.frame(law = rep(1, 12), PetrolPrice = rep(tail(as.numeric(belts[, 3]), 1), 12)),
          file.path(dir, "belts_ahead.csv"), row.names = FALSE)
X <- belts[, c("law", "PetrolPrice")]
# The default search leaves `approximation` unset: R then approximates above 150 values.
fits <- list(
  lake = list(y = LakeHuron, xreg = cbind(time = time(LakeHuron))),
  belts_log = list(y = log(belts[, "drivers"]), xreg = X),
  belts_raw = list(y = belts[, "drivers"], xreg = X))
# One search before the timed ones, so that no fit pays for loading R's code.
invisible(auto.arima(LakeHuron, xreg = cbind(time = time(LakeHuron))))
for (name in names(fits)) {
  for (exact in c(FALSE, TRUE)) {
    args <- c(fits[[name]], if (exact) list(approximation = FALSE))
    t0 <- proc.time()
    f <- do.call(auto.arima, args)
    t <- proc.time() - t0
    cat(sprintf("%s\t%s\t%s\t%.6f\t%.3f\n", name, if (exact) "exact" else "default",
                forecast:::arima.string(f), f$aicc, t[["user.self"]] + t[["sys.self"]]))
  }
}
