#include "gui/job_history.h"

#include <QUndoCommand>
#include <algorithm>
#include <utility>

#include "core/grid/grid_editing.h"
#include "gui/record_grid_model.h"

namespace corvane::gui {
namespace {

class CellStep final : public QUndoCommand {
 public:
  CellStep(RecordGridModel& model, int row, int col, std::string text, const QString& name)
      : QUndoCommand(name), model_(model), row_(row), col_(col), other_(std::move(text)) {}
  void redo() override { Swap(); }
  void undo() override { Swap(); }

 private:
  void Swap() {
    std::string now(model_.Grid().Cell(row_, col_));
    model_.SetCell(row_, col_, other_);
    other_ = std::move(now);
  }
  RecordGridModel& model_;
  int row_, col_;
  std::string other_;
};

class DeleteRowStep final : public QUndoCommand {
 public:
  DeleteRowStep(RecordGridModel& model, int k, const QString& name) : QUndoCommand(name), model_(model), k_(k) {}
  void redo() override {
    model_.Replace([this](RecordGrid& g) { deleted_ = DeleteRowKeeping(g, k_); });
  }
  void undo() override {
    model_.Replace([this](RecordGrid& g) { RestoreDeletedRow(g, deleted_); });
  }

 private:
  RecordGridModel& model_;
  int k_;
  DeletedRow deleted_;
};

class InsertRowStep final : public QUndoCommand {
 public:
  InsertRowStep(RecordGridModel& model, int k, const QString& name) : QUndoCommand(name), model_(model), k_(k) {}
  void redo() override {
    model_.Replace([this](RecordGrid& g) { InsertRow(g, k_); });
  }
  void undo() override {
    model_.Replace([this](RecordGrid& g) { DeleteRow(g, k_); });
  }

 private:
  RecordGridModel& model_;
  int k_;
};

// Holds the grid and the job that are not shown; doing and undoing trade them
// with the ones shown.
class ReplaceStep final : public QUndoCommand {
 public:
  ReplaceStep(JobHistory& history, RecordGrid next, JobIdentity job, const QString& name)
      : QUndoCommand(name), history_(history), other_(std::move(next)), job_(std::move(job)) {}
  void redo() override { Swap(); }
  void undo() override { Swap(); }
  size_t KeptBytes() const { return other_.MemoryBytes(); }

 private:
  void Swap() {
    history_.Model().Replace([this](RecordGrid& g) { std::swap(g, other_); });
    history_.SwapJob(job_);
  }
  JobHistory& history_;
  RecordGrid other_;
  JobIdentity job_;
};

}  // namespace

JobHistory::JobHistory(RecordGridModel& model, QObject* parent) : QObject(parent), model_(model) {
  connect(&stack_, &QUndoStack::indexChanged, this, &JobHistory::changed);
}

JobHistory::~JobHistory() {
  // The stack empties itself as it goes; nobody hears of it any more.
  stack_.blockSignals(true);
}

void JobHistory::EditCell(int row, int col, std::string text, const QString& stepName) {
  stack_.push(new CellStep(model_, row, col, std::move(text), stepName));
}

void JobHistory::DeleteRow(int k, const QString& stepName) { stack_.push(new DeleteRowStep(model_, k, stepName)); }

void JobHistory::InsertRow(int k, const QString& stepName) { stack_.push(new InsertRowStep(model_, k, stepName)); }

const QUndoCommand* JobHistory::Replace(RecordGrid next, JobIdentity job, const QString& stepName) {
  // The step will keep the grid shown now. The history keeps at most one job's
  // worth of grids (the larger of the two): when the steps before would take it
  // beyond, they go, and this step alone remains to be undone.
  const size_t kept = model_.Grid().MemoryBytes();
  const size_t budget = std::max({kMinimumKeptBytes, kept, next.MemoryBytes()});
  bool dropped = false;
  if (KeptBytes() + kept > budget && stack_.index() > 0) {
    stack_.clear();
    dropped = true;
  }
  auto* step = new ReplaceStep(*this, std::move(next), std::move(job), stepName);
  stack_.push(step);
  if (dropped) emit stepsDropped();
  return step;
}

bool JobHistory::IsOpenStep(const QUndoCommand* step) const {
  const int i = stack_.index();
  return step && !stack_.isClean() && i > 0 && i == stack_.count() && stack_.command(i - 1) == step;
}

void JobHistory::MarkSaved(const QString& path) {
  stack_.setClean();
  if (job_.source != JobSource::File || job_.path != path) {
    job_ = {JobSource::File, path};
    emit jobChanged();
  }
}

size_t JobHistory::KeptBytes() const {
  // Only the steps that can still be undone: a new step ends the others.
  size_t bytes = 0;
  for (int i = 0; i < stack_.index(); ++i)
    if (const auto* step = dynamic_cast<const ReplaceStep*>(stack_.command(i))) bytes += step->KeptBytes();
  return bytes;
}

void JobHistory::SwapJob(JobIdentity& other) {
  std::swap(job_, other);
  emit jobChanged();
}

}  // namespace corvane::gui
