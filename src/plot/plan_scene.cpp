#include "plot/plan_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "core/compute/point_format.h"
#include "core/compute/station_recompute.h"
#include "core/text/numbers.h"

namespace corvane::plot {
namespace {

bool Drawable(double east, double north) {
  return std::isfinite(east) && std::isfinite(north) && std::fabs(east) <= kDrawableLimit &&
         std::fabs(north) <= kDrawableLimit;
}

bool StartsWithNumber(std::string_view cell) {
  size_t i = 0;
  while (i < cell.size() && (cell[i] == ' ' || (cell[i] >= '\t' && cell[i] <= '\r'))) ++i;
  return DecimalNumberLength(cell.substr(i)) > 0;
}

// The order of a double's bits as unsigned integers is the order of the values
// (finite ones; -0 sorts with +0).
std::uint64_t OrderKey(double v) {
  std::uint64_t bits = 0;
  const double zeroless = v == 0 ? 0.0 : v;
  std::memcpy(&bits, &zeroless, sizeof bits);
  return bits >> 63 ? ~bits : bits | (std::uint64_t{1} << 63);
}

// Sorts by east, equal easts by point: a stable radix sort, 16 bits of the key a
// pass, passes whose digit is the same for every entry skipped. The entries
// come in point order, so stability keeps the points of one east in order.
void SortByEast(std::vector<EastEntry>& entries) {
  if (entries.size() < 2) return;
  const std::uint64_t first = OrderKey(entries[0].east);
  std::uint64_t differ = 0;
  for (const EastEntry& e : entries) differ |= OrderKey(e.east) ^ first;
  std::vector<EastEntry> spare;
  std::vector<std::uint32_t> count(1 << 16);
  for (int shift = 0; shift < 64; shift += 16) {
    if (((differ >> shift) & 0xFFFF) == 0) continue;
    spare.resize(entries.size());
    std::fill(count.begin(), count.end(), 0);
    for (const EastEntry& e : entries) ++count[(OrderKey(e.east) >> shift) & 0xFFFF];
    std::uint32_t sum = 0;
    for (std::uint32_t& c : count) sum += std::exchange(c, sum);
    for (const EastEntry& e : entries) spare[count[(OrderKey(e.east) >> shift) & 0xFFFF]++] = e;
    entries.swap(spare);
  }
}

template <class T>
void Trim(std::vector<T>& v) {
  if (v.capacity() > v.size() + v.size() / 4 + 16) v.shrink_to_fit();
}

}  // namespace

bool UsableCoordinates(PointKind kind, std::string_view north, std::string_view east, std::string_view height) {
  if (!StartsWithNumber(north) || !StartsWithNumber(east)) return false;
  return kind == PointKind::Station || CAtof(north) != 0 || CAtof(east) != 0 || CAtof(height) != 0;
}

void PlanScene::Rebuild(const RecordGrid& grid) {
  grid_ = &grid;
  enz_ = CoordinateOrder(grid) == '2';
  points_.clear();
  shifts_.clear();
  sightLines_.clear();
  traverse_.clear();
  byEast_.clear();
  extent_ = {};
  points_.reserve(static_cast<std::size_t>(std::max(0, grid.RowCount() - 1)));
  int station = -1;
  ForEachMeasuredPoint(grid, [&](const MeasuredPoint& p) {
    PlanPoint point;
    point.east = CAtof(p.east);
    point.north = CAtof(p.north);
    point.height = CAtof(p.height);
    point.row = p.row;
    point.kind = p.kind;
    point.drawable = Drawable(point.east, point.north) &&
                     (p.kind == PointKind::Polar || UsableCoordinates(p.kind, p.north, p.east, p.height));
    point.heightText = p.kind != PointKind::Polar;
    const auto index = static_cast<std::uint32_t>(points_.size());
    if (point.drawable) {
      if (p.kind == PointKind::Station) {
        traverse_.push_back(index);
        station = static_cast<int>(index);
      } else if (p.kind == PointKind::Backsight && station >= 0) {
        sightLines_.emplace_back(static_cast<std::uint32_t>(station), index);
      }
      if (extent_.empty) {
        extent_ = {point.east, point.north, point.east, point.north, false};
      } else {
        extent_.minEast = std::min(extent_.minEast, point.east);
        extent_.maxEast = std::max(extent_.maxEast, point.east);
        extent_.minNorth = std::min(extent_.minNorth, point.north);
        extent_.maxNorth = std::max(extent_.maxNorth, point.north);
      }
      byEast_.push_back({point.east, point.north, index, point.kind});
    } else if (p.kind == PointKind::Station) {
      station = -1;  // its backsight has no line to draw
    }
    points_.push_back(point);
  });
  // A view walks its points in this order: their coordinates lie side by side.
  SortByEast(byEast_);
  Trim(points_);
  Trim(byEast_);
}

void PlanScene::SetRecompute(const StationTable& table) {
  shifts_.clear();
  if (!grid_) return;
  ForEachRecomputedRow(*grid_, table, [&](const RecomputedRow& r) {
    if (r.kind == RecomputedRow::Kind::Backsight) return;
    const int point = PointOfRow(r.row);
    const double east = CAtof(r.east), north = CAtof(r.north);
    if (point < 0 || !points_[static_cast<std::size_t>(point)].drawable || !Drawable(east, north)) return;
    shifts_.push_back({static_cast<std::uint32_t>(point), east, north, CAtof(r.height)});
  });
  Trim(shifts_);
}

int PlanScene::PointOfRow(int gridRow) const {
  const auto it = std::lower_bound(points_.begin(), points_.end(), gridRow,
                                   [](const PlanPoint& p, int row) { return p.row < row; });
  return it != points_.end() && it->row == gridRow ? static_cast<int>(it - points_.begin()) : -1;
}

std::vector<std::uint32_t> PlanScene::UndrawablePoints(std::size_t most) const {
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i < points_.size() && out.size() < most; ++i)
    if (!points_[i].drawable) out.push_back(static_cast<std::uint32_t>(i));
  return out;
}

const PlanShift* PlanScene::ShiftOf(std::size_t point) const {
  const auto it = std::lower_bound(shifts_.begin(), shifts_.end(), point,
                                   [](const PlanShift& s, std::size_t p) { return s.point < p; });
  return it != shifts_.end() && it->point == point ? &*it : nullptr;
}

std::string PlanScene::Name(std::size_t i) const {
  const std::string_view name = grid_->Cell(points_[i].row, 3);
  return name.empty() ? FormatInt(static_cast<long long>(i) + 1) : std::string(name);
}

std::string_view PlanScene::NameBytes(std::size_t i, char (&buf)[24]) const {
  const std::string_view name = grid_->Cell(points_[i].row, 3);
  return name.empty() ? FormatIntTo(static_cast<long long>(i) + 1, buf) : name;
}

std::string_view PlanScene::Code(std::size_t i) const {
  return grid_->Cell(points_[i].row, 12);
}

std::string PlanScene::HeightText(std::size_t i) const {
  const PlanPoint& p = points_[i];
  return p.heightText ? std::string(grid_->Cell(p.row, 9)) : Format3(p.height);
}

std::string PlanScene::NorthText(std::size_t i) const {
  const PlanPoint& p = points_[i];
  return p.heightText ? std::string(grid_->Cell(p.row, enz_ ? 8 : 7)) : Format3(p.north);
}

std::string PlanScene::EastText(std::size_t i) const {
  const PlanPoint& p = points_[i];
  return p.heightText ? std::string(grid_->Cell(p.row, enz_ ? 7 : 8)) : Format3(p.east);
}

std::size_t PlanScene::MemoryBytes() const {
  return sizeof(*this) + points_.capacity() * sizeof(PlanPoint) + shifts_.capacity() * sizeof(PlanShift) +
         sightLines_.capacity() * sizeof(sightLines_[0]) + traverse_.capacity() * sizeof(std::uint32_t) +
         byEast_.capacity() * sizeof(EastEntry);
}

}  // namespace corvane::plot
