#include "datasets.h"

#include <vector>

namespace vordex::cli {
namespace {

struct Description {
  std::string_view name;
  int frequency;
  std::string_view start;
  std::string_view description;
};

// See data/README.md for the sources.
constexpr Description kDescriptions[] = {
    {"airline", 12, "1949-01",
     "monthly international airline passengers, thousands (Box and Jenkins, Series G)"},
    {"lynx", 1, "1821", "annual Canadian lynx trappings"},
    {"nile", 1, "1871", "annual flow of the river Nile at Aswan, 10^8 m^3"},
    {"ukgas", 4, "1960-Q1", "quarterly UK gas consumption, million therms"},
    {"usaccdeaths", 12, "1973-01", "monthly accidental deaths in the USA"},
};

std::vector<Dataset> Build() {
  std::vector<Dataset> all;
  for (const EmbeddedValues& series : EmbeddedSeriesValues()) {
    Dataset d{series.name, 1, "", "", series.values};
    for (const Description& known : kDescriptions) {
      if (known.name == series.name) {
        d.frequency = known.frequency;
        d.start = known.start;
        d.description = known.description;
      }
    }
    all.push_back(d);
  }
  return all;
}

}  // namespace

std::span<const Dataset> Datasets() {
  static const std::vector<Dataset> all = Build();
  return all;
}

const Dataset* FindDataset(std::string_view name) {
  for (const Dataset& d : Datasets()) {
    if (d.name == name) return &d;
  }
  return nullptr;
}

}  // namespace vordex::cli
