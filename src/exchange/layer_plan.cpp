#include "exchange/layer_plan.h"

#include "exchange/gis_text.h"

namespace corvane::exchange {
namespace {

Column Text(const char* name, std::function<std::string(size_t)> get) {
  return {name, ColumnType::Text, std::move(get), {}, {}};
}
Column Real(const char* name, std::function<double(size_t)> get) {
  return {name, ColumnType::Real, {}, std::move(get), {}};
}
Column Integer(const char* name, std::function<int(size_t)> get) {
  return {name, ColumnType::Integer, {}, {}, std::move(get)};
}

LayerPlan PointsPlan(GisLayer id, const std::vector<JobPoint>& p) {
  LayerPlan plan{id, false, p.size(), {}, {}, {}, {}};
  plan.columns = {Text("name", [&p](size_t i) { return GbkToGisText(p[i].name); }),
                  Text("code", [&p](size_t i) { return GbkToGisText(p[i].code); }),
                  Text("kind", [&p](size_t i) { return p[i].kind; }),
                  Real("north", [&p](size_t i) { return p[i].at.north; }),
                  Real("east", [&p](size_t i) { return p[i].at.east; }),
                  Real("height", [&p](size_t i) { return p[i].at.height; }),
                  Text("station", [&p](size_t i) { return GbkToGisText(p[i].station); }),
                  Integer("row", [&p](size_t i) { return p[i].row; })};
  plan.place = [&p](size_t i, FeaturePoint& a, FeaturePoint&) { a = p[i].place; };
  plan.name = [&p](size_t i) -> const std::string& { return p[i].name; };
  plan.row = [&p](size_t i) { return p[i].row; };
  return plan;
}

LayerPlan LinesPlan(GisLayer id, const std::vector<JobLine>& l) {
  LayerPlan plan{id, true, l.size(), {}, {}, {}, {}};
  auto from = [&l](size_t i) { return GbkToGisText(l[i].fromName); };
  auto to = [&l](size_t i) { return GbkToGisText(l[i].toName); };
  auto row = [&l](size_t i) { return l[i].row; };
  if (id == kLayerShifts) {
    plan.columns = {Text("name", to), Real("dN", [&l](size_t i) { return l[i].delta.north; }),
                    Real("dE", [&l](size_t i) { return l[i].delta.east; }),
                    Real("dH", [&l](size_t i) { return l[i].delta.height; }), Integer("row", row)};
  } else if (id == kLayerSightlines) {
    plan.columns = {Text("station", from), Text("point", to), Integer("row", row)};
  } else {
    plan.columns = {Text("from", from), Text("to", to), Integer("row", row)};
  }
  plan.place = [&l](size_t i, FeaturePoint& a, FeaturePoint& b) {
    a = l[i].from;
    b = l[i].to;
  };
  plan.name = [&l](size_t i) -> const std::string& { return l[i].toName; };
  plan.row = row;
  return plan;
}

}  // namespace

std::vector<LayerPlan> LayerPlans(const JobFeatures& f, unsigned layers) {
  std::vector<LayerPlan> plans;
  if (layers & kLayerPoints) plans.push_back(PointsPlan(kLayerPoints, f.points));
  if (layers & kLayerTraverse) plans.push_back(LinesPlan(kLayerTraverse, f.traverse));
  if (layers & kLayerSightlines) plans.push_back(LinesPlan(kLayerSightlines, f.sightlines));
  if (layers & kLayerRecomputed) plans.push_back(PointsPlan(kLayerRecomputed, f.recomputed));
  if (layers & kLayerShifts) plans.push_back(LinesPlan(kLayerShifts, f.shifts));
  return plans;
}

}  // namespace corvane::exchange
