#pragma once
// The job's history: every change of the grid is one step of a QUndoStack, so
// Undo and Redo walk it and the stack's clean state says whether the job holds
// changes that are not saved. A step that replaces the whole grid keeps the old
// grid itself (moved, not copied); the grids the history keeps stay within one
// job's size (or kMinimumKeptBytes), older steps making room when they must.
#include <QObject>
#include <QString>
#include <QUndoStack>
#include <string>

#include "core/grid/record_grid.h"

namespace corvane::gui {

class RecordGridModel;

// Where the job in the grid came from.
enum class JobSource { None, File, Download, Upload, Import };

struct JobIdentity {
  JobSource source = JobSource::None;
  QString path;  // the file of a job opened or saved
};

class JobHistory final : public QObject {
  Q_OBJECT
 public:
  // Replaced grids the history keeps without dropping older steps, whatever the
  // size of the job.
  static constexpr size_t kMinimumKeptBytes = size_t{64} << 20;

  explicit JobHistory(RecordGridModel& model, QObject* parent = nullptr);
  ~JobHistory() override;

  QUndoStack& Stack() { return stack_; }
  const QUndoStack& Stack() const { return stack_; }
  const JobIdentity& Job() const { return job_; }
  bool IsModified() const { return !stack_.isClean(); }

  // One cell takes a new text.
  void EditCell(int row, int col, std::string text, const QString& stepName);
  void DeleteRow(int k, const QString& stepName);
  void InsertRow(int k, const QString& stepName);
  // The grid becomes `next`, the job `job`; returns the step, which stays the
  // last one until another change comes.
  const QUndoCommand* Replace(RecordGrid next, JobIdentity job, const QString& stepName);
  // True while `step` is the last step done and the grid holds unsaved changes:
  // what follows may extend it in place (the rest of an upload's echo).
  bool IsOpenStep(const QUndoCommand* step) const;
  // The grid as it is now is the saved job (the file, when there is one).
  void MarkSaved(const QString& path);

  // Bytes of the grids that steps keep.
  size_t KeptBytes() const;

  // Used by the steps.
  RecordGridModel& Model() { return model_; }
  void SwapJob(JobIdentity& other);

 signals:
  // A step was done, undone or redone: the grid has changed.
  void changed();
  // The job's name or source changed.
  void jobChanged();
  // Older steps were given up to keep the history within its memory.
  void stepsDropped();

 private:
  RecordGridModel& model_;
  QUndoStack stack_;
  JobIdentity job_;
};

}  // namespace corvane::gui
