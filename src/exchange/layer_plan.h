#pragma once
// The columns and geometry of each layer the export writes, read off the job's
// features: what every writer of features (OGR's drivers, the GeoJSON writer)
// takes its values from, so they cannot disagree.
#include <functional>
#include <string>
#include <vector>

#include "exchange/gis_export.h"
#include "exchange/job_features.h"

namespace corvane::exchange {

enum class ColumnType { Text, Real, Integer };

struct Column {
  const char* name;
  ColumnType type;
  std::function<std::string(size_t)> text;  // Text, UTF-8
  std::function<double(size_t)> number;     // Real
  std::function<int(size_t)> integer;       // Integer
};

struct LayerPlan {
  GisLayer id;
  bool lines = false;
  size_t count = 0;
  std::vector<Column> columns;
  // The geometry of feature i: a point (a) or a line from a to b.
  std::function<void(size_t, FeaturePoint&, FeaturePoint&)> place;
  std::function<const std::string&(size_t)> name;  // for messages
  std::function<int(size_t)> row;
};

// The plans of the layers asked for, in the files' order. They refer to the
// features, which must outlive them.
std::vector<LayerPlan> LayerPlans(const JobFeatures& features, unsigned layers);

}  // namespace corvane::exchange
