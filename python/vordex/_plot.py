"""Result.plot: matplotlib, imported only when a plot is drawn."""
import pandas as pd

from ._results import level_label


def _x(index):
    # matplotlib draws dates, not pandas periods.
    return index.to_timestamp() if isinstance(index, pd.PeriodIndex) else index


def plot_result(result, ax=None):
    if ax is None:
        import matplotlib.pyplot as plt
        _, ax = plt.subplots(figsize=(8, 4), layout="constrained")
    x, fx = _x(result.y.index), _x(result.forecast.index)
    ax.plot(x, result.y.to_numpy(), color="black", linewidth=1, label="observed")
    ax.plot(x, result.fitted.to_numpy(), color="tab:blue", linewidth=1, linestyle="--",
            label="fitted")
    if result.horizon:
        # One band per level, the widest first and palest, each drawn over the wider ones.
        for k, level in enumerate(sorted(result.levels, reverse=True)):
            label = level_label(level)
            ax.fill_between(fx, result.forecast[f"lower_{label}"].to_numpy(),
                            result.forecast[f"upper_{label}"].to_numpy(), color="tab:orange",
                            alpha=0.15 * (k + 1), linewidth=0, label=f"{label}% limits")
        ax.plot(fx, result.forecast["mean"].to_numpy(), color="tab:orange", linewidth=1.5,
                label="forecast")
    ax.set_title(result.model + (f", {result.transform} scale" if result.transform != "none"
                                 else ""))
    if result.y.name is not None:
        ax.set_ylabel(str(result.y.name))
    ax.legend(loc="upper left", frameon=False)
    return ax
