#include "plot/plan_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>
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

// Sorts by east, equal easts by point: a stable sort; for many entries a radix
// sort, 16 bits of the key a pass, passes whose digit is the same for every
// entry skipped. The entries
// come in point order, so stability keeps the points of one east in order.
void SortByEast(std::vector<EastEntry>& entries) {
  if (entries.size() < 4096) {
    std::stable_sort(entries.begin(), entries.end(), [](const EastEntry& a, const EastEntry& b) { return a.east < b.east; });
    return;
  }
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

namespace {

// Jobs from this many rows on are read in two halves side by side.
constexpr int kSplitRows = 50000;
// A part's station before its first station row: the part before decides it.
constexpr int kEarlierStation = -2;

// The scene's arrays for a run of grid rows, indexes counted from the run's first
// point. A backsight before the run's first station waits for the station of
// the run before.
struct ScenePart {
  std::vector<PlanPoint> points;
  std::vector<EastEntry> byEast;
  std::vector<std::uint32_t> traverse;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sightLines;
  std::vector<std::uint32_t> waitingBacksights;
  PlanExtent extent;
  int station = -1;

  void Add(const MeasuredPoint& p) {
    PlanPoint point;
    point.east = CAtof(p.east);
    point.north = CAtof(p.north);
    point.height = CAtof(p.height);
    point.row = p.row;
    point.kind = p.kind;
    point.drawable = Drawable(point.east, point.north) &&
                     (p.kind == PointKind::Polar || UsableCoordinates(p.kind, p.north, p.east, p.height));
    point.heightText = p.kind != PointKind::Polar;
    const auto index = static_cast<std::uint32_t>(points.size());
    if (point.drawable) {
      if (p.kind == PointKind::Station) {
        traverse.push_back(index);
        station = static_cast<int>(index);
      } else if (p.kind == PointKind::Backsight && station == kEarlierStation) {
        waitingBacksights.push_back(index);
      } else if (p.kind == PointKind::Backsight && station >= 0) {
        sightLines.emplace_back(static_cast<std::uint32_t>(station), index);
      }
      Widen(point.east, point.north);
      byEast.push_back({point.east, point.north, index, point.kind});
    } else if (p.kind == PointKind::Station) {
      station = -1;  // its backsight has no line to draw
    }
    points.push_back(point);
  }

  // min and max keep the earlier of equal values, so widening by a later part's
  // extent gives what widening point by point gives.
  void Widen(double east, double north) { Widen({east, north, east, north, false}); }
  void Widen(const PlanExtent& e) {
    if (e.empty) return;
    if (extent.empty) {
      extent = e;
      return;
    }
    extent.minEast = std::min(extent.minEast, e.minEast);
    extent.maxEast = std::max(extent.maxEast, e.maxEast);
    extent.minNorth = std::min(extent.minNorth, e.minNorth);
    extent.maxNorth = std::max(extent.maxNorth, e.maxNorth);
  }

  // Appends the part of the rows after this part's.
  void Append(ScenePart&& later) {
    const auto base = static_cast<std::uint32_t>(points.size());
    points.insert(points.end(), later.points.begin(), later.points.end());
    later.points = {};
    for (EastEntry& e : later.byEast) e.point += base;
    byEast.insert(byEast.end(), later.byEast.begin(), later.byEast.end());
    later.byEast = {};
    for (const std::uint32_t t : later.traverse) traverse.push_back(t + base);
    if (station >= 0)
      for (const std::uint32_t b : later.waitingBacksights)
        sightLines.emplace_back(static_cast<std::uint32_t>(station), b + base);
    for (const auto& [from, to] : later.sightLines) sightLines.emplace_back(from + base, to + base);
    Widen(later.extent);
    if (later.station != kEarlierStation) station = later.station < 0 ? -1 : later.station + static_cast<int>(base);
  }
};

}  // namespace

void PlanScene::Rebuild(const RecordGrid& grid) {
  grid_ = &grid;
  enz_ = CoordinateOrder(grid) == '2';
  shifts_.clear();
  ScenePart first;
  first.points.reserve(static_cast<std::size_t>(std::max(0, grid.RowCount() - 1)));
  const auto walk = [&grid](ScenePart& part, int from, int to) {
    ForEachMeasuredPointOfRows(grid, from, to, [&part](const MeasuredPoint& p) { part.Add(p); });
  };
  // The second half on a thread of its own; its points go behind the first's.
  const int split = grid.RowCount() >= kSplitRows ? grid.RowCount() / 2 : grid.RowCount();
  ScenePart second;
  second.station = kEarlierStation;
  std::exception_ptr failed;
  std::thread worker;
  if (split < grid.RowCount()) {
    try {
      worker = std::thread([&] {
        try {
          second.points.reserve(static_cast<std::size_t>(grid.RowCount() - split));
          walk(second, split, grid.RowCount());
        } catch (...) {
          failed = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
    }
  }
  walk(first, 1, worker.joinable() ? split : grid.RowCount());
  if (worker.joinable()) {
    worker.join();
    if (failed) std::rethrow_exception(failed);
    first.Append(std::move(second));
  }
  points_ = std::move(first.points);
  byEast_ = std::move(first.byEast);
  traverse_ = std::move(first.traverse);
  sightLines_ = std::move(first.sightLines);
  extent_ = first.extent;
  // A view walks its points in this order: their coordinates lie side by side.
  SortByEast(byEast_);
  Trim(points_);
  Trim(byEast_);
  Trim(traverse_);
  Trim(sightLines_);
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
