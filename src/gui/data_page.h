#pragma once
// CDataPage: the first page of the main window. The record grid on the left;
// on the right the inner tab with the RS-232 and USB pages and the Open, Save
// and Clear buttons. The grid cells are the data of every command. Every change
// of the grid is a step of the job's history (Undo, Redo, the modified state);
// nothing replaces or empties a modified job before the user has been asked.
#include <QByteArray>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "core/grid/record_grid.h"
#include "gui/file_paths.h"
#include "gui/gui_context.h"
#include "gui/job_commands.h"
#include "gui/job_history.h"
#include "gui/record_grid_model.h"
#include "gui/record_grid_view.h"

class QGroupBox;
class QLineEdit;
class QMenu;
class QAction;
class QDialog;
class QPushButton;
class QSplitter;
class QTabBar;

namespace corvane {
class StationTable;
namespace traverse {
struct Adjustment;
}
}

namespace corvane::gui {

class CComPage;
class CUsbPage;
class CStationImportDlg;
class CTraverseDlg;

class CDataPage final : public QWidget {
  Q_OBJECT
 public:
  // Shows a popup menu at a global position and returns the chosen action.
  using MenuRunner = std::function<QAction*(QMenu& menu, const QPoint& globalPos)>;
  // Runs the station dialog of the recompute; QDialog::Accepted for OK.
  using StationDialogRunner = std::function<int(CStationImportDlg& dialog)>;
  // Runs a dialog of the GIS exchange; QDialog::Accepted for OK.
  using GisDialogRunner = std::function<int(QDialog& dialog)>;
  // Runs the traverse dialog; CTraverseDlg::kRecompute to recompute with its stations.
  using TraverseDialogRunner = std::function<int(CTraverseDlg& dialog)>;

  explicit CDataPage(GuiContext& context, QWidget* parent = nullptr);
  ~CDataPage() override;

  // Captions of the page, its transfer pages and the grid's header row; resets
  // the widths and the row count.
  void ApplyCaptions();
  // The main window brings the page to the front: columns 7 and 8 follow the
  // coordinate order.
  void OnShown();

  const RecordGrid& Grid() const { return grid_; }
  RecordGridModel& Model() { return model_; }
  RecordGridView* View() const { return view_; }
  QLineEdit* Editor() const { return editor_; }
  CComPage* ComPage() const { return comPage_; }
  CUsbPage* UsbPage() const { return usbPage_; }
  QTabBar* InnerTab() const { return innerTab_; }
  QPushButton* OpenButton() const { return open_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* ClearButton() const { return clear_; }
  QGroupBox* TransferBox() const { return transferBox_; }
  QGroupBox* DiskBox() const { return diskBox_; }

  int ContextRow() const { return contextRow_; }
  int ContextCol() const { return contextCol_; }
  short StationListValid() const { return stationListValid_; }
  void SetStationListValid(short value) { stationListValid_ = value; }
  // The station and backsight entries of the recompute; they live as long as the page.
  StationTable& Stations() { return *stations_; }

  // The job: its history, its name for the title ("" while there is none), and
  // whether it holds changes that are not saved.
  JobHistory& History() { return history_; }
  QString JobName() const;
  bool IsModified() const { return history_.IsModified(); }
  // Before the grid is replaced or emptied: a modified job is saved, discarded or
  // kept (false: leave everything as it is) as the user chooses.
  bool MayReplaceJob();
  // Undo and Redo; never while a transfer runs (it writes into the grid).
  bool CanUndoNow() const;
  bool CanRedoNow() const;
  // The action of a job command (job_commands.h): the menu bar shows these.
  QAction* JobAction(int command) const;
  // Fills the job part of a menu from the command table: the File commands,
  // recent jobs, Undo/Redo, the conversion submenus and the plan's commands.
  void FillJobMenu(QMenu& menu);
  // Enables each job command by its rule.
  void UpdateCommandStates();
  QSplitter* Splitter() const { return splitter_; }

  void SetMenuRunner(MenuRunner runner) { menuRunner_ = std::move(runner); }
  void SetStationDialogRunner(StationDialogRunner runner) { stationDialogRunner_ = std::move(runner); }
  void SetGisDialogRunner(GisDialogRunner runner) { gisDialogRunner_ = std::move(runner); }
  void SetTraverseDialogRunner(TraverseDialogRunner runner) { traverseDialogRunner_ = std::move(runner); }
  // The job's file, opened or saved (empty after Clear, a download, an import or
  // an upload).
  QString JobPath() const { return history_.Job().source == JobSource::File ? history_.Job().path : QString(); }
  // Before anything replaces or empties the grid (Open, Clear, the window closing):
  // a running transfer is stopped, and what it had received or echoed has reached
  // the grid when this returns. Nothing happens when no transfer runs.
  void StopTransferKeepingWhatArrived();

 signals:
  // A recompute has written its files with the station table.
  void recomputed();
  // The job's name or modified state changed.
  void jobStateChanged();
  // What the cell or column under the cursor holds, for the status bar.
  void statusHint(const QString& text);
  // The plan export command of the menus.
  void planExportRequested();
  // The traverse dialog adjusted the job's traverse (the plan draws it).
  void traverseAdjusted(std::shared_ptr<const traverse::Adjustment> adjustment);

 public slots:
  // Asks about a modified job, then the file dialog, then opens.
  void OpenFile();
  // Open without the file dialog (nothing asked).
  void OpenPath(const QString& path);
  // A recently opened job: asks about a modified job first.
  void OpenRecent(const QString& path);
  // Save with the file dialog (the Save button, Save as); false when nothing was saved.
  bool SaveFile();
  // Save to the job's file when it has one, else as SaveFile.
  bool SaveJob();
  void ClearGrid();
  void Undo();
  void Redo();
  // A download has ended: its text goes into the grid line by line.
  void OnDownloadComplete(const QByteArray& text);
  // An upload has sent record number `sentLineCount`.
  void OnRecordSent(quint16 sentLineCount, const QByteArray& record);
  // A code upload has sent code number `sentLineCount`.
  void OnCodeSent(quint16 sentLineCount, const QByteArray& code);

  // The in-place editor: opened by a double click, written back when it loses
  // the focus or Enter is pressed; Escape leaves the cell as it was.
  void OpenEditor(int gridRow, int col);
  void CommitEditor();
  void CancelEditor();

  // A context-menu request at a global position (keyboard: no mouse position; the
  // menu is for the current cell, else for the cell last under the mouse).
  void ShowContextMenu(const QPoint& globalPos, bool fromKeyboard);
  void RunGridCommand(int command);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildInnerTab(QWidget* host);
  void ShowTransferPage(int index, bool show);
  void ApplyWidgetCaptions();
  void ApplyAccessibleNames();
  void PlaceEditor();
  void ImportCoordinatesCommand();
  void BuildJobActions();
  void ApplyActionCaptions();
  void FillRecentMenu();
  void HistoryChanged();
  // Saves the grid to `path`; the job becomes that file.
  bool SaveTo(const QString& path);
  void ShowMenuFor(const GridCell& cell, const QPoint& globalPos);
  // The status hint of a cell; the header row's for the current row's kind.
  void HintCell(int gridRow, int col);
  QString ColumnHintFor(int col) const;
  QString JobCaption(const char* key, const char* def) const;
  // The conversion commands (data_page_exports.cpp).
  void ExportInstrumentFileCommand();
  void DistanceExportCommand(int command);
  void ExportAnglesCommand();
  void ExportMeasuredCoordinatesCommand();
  void RecomputeCommand();
  // The GIS exchange (data_page_gis.cpp).
  void ExportGisCommand();
  void ImportGisCommand();
  // The recompute; with a station file, its lines are imported into the station
  // dialog before it opens (data_page_traverse.cpp runs it so).
  void RunRecompute(const std::string* stationFile);
  void AdjustTraverseCommand();
  QMenu* BuildConversionMenu(QWidget* owner);
  QMenu* BuildRowMenu(QWidget* owner);
  // The echo of an upload: the first row starts a step, the rest extend it.
  template <class InPlace, class Fresh>
  void Echo(InPlace&& inPlace, Fresh&& fresh);

  GuiContext& context_;
  RecordGrid grid_;
  RecordGridModel model_;
  JobHistory history_;
  std::map<int, QAction*> actions_;
  QMenu* recentMenu_ = nullptr;
  // The step of the upload whose echo is coming in.
  const QUndoCommand* echoStep_ = nullptr;
  // While a transfer runs Undo is off; its end is noticed here.
  QTimer busyPoll_;
  QSplitter* splitter_;
  RecordGridView* view_;
  QLineEdit* editor_;
  QString editText_;
  GridCell editCell_;
  QString editShownText_;
  bool editing_ = false;

  QGroupBox* transferBox_;
  QGroupBox* diskBox_;
  QTabBar* innerTab_ = nullptr;
  int shownTab_ = -1;
  CComPage* comPage_ = nullptr;
  CUsbPage* usbPage_ = nullptr;
  QPushButton* open_;
  QPushButton* save_;
  QPushButton* clear_;

  int contextRow_ = 0;
  int contextCol_ = 0;
  short stationListValid_ = 0;
  std::unique_ptr<StationTable> stations_;
  MenuRunner menuRunner_;
  StationDialogRunner stationDialogRunner_;
  GisDialogRunner gisDialogRunner_;
  TraverseDialogRunner traverseDialogRunner_;
};

}  // namespace corvane::gui
