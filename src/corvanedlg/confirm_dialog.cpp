#include "corvanedlg/confirm_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>

#include "corvanedlg/option_dialog.h"

namespace corvanedlg {
namespace {

// What a layout writes, and sample lines of it (a station S1, its backsight B1
// and a point P1 measured from it).
struct LayoutText {
  const char* english;
  const char* chinese;
  const char* sample;
};

constexpr LayoutText kHorizontal[2] = {
    {"One line for every station, backsight and measured point, in the order of the job.\n"
     "Point: name, horizontal angle, horizontal distance, height difference, target height.\n"
     "Station: its instrument height; backsight: its angle and target height.",
     "作业中的每个测站、后视和测量点各一行。\n"
     "测量点：点号、水平角、平距、高差、目标高。\n"
     "测站：仪器高；后视：角度和目标高。",
     "S1  0.0000  0.000  0.000  1.500\n"
     "B1  0.0000  0.000  0.000  1.600\n"
     "P1  45.3015  100.000  0.000  1.6"},
    {"One line for every measured point, carrying its set-up: station, backsight,\n"
     "instrument height, backsight angle, then name, horizontal angle, horizontal\n"
     "distance, height difference and target height, each right-aligned.",
     "每个测量点一行，带上其设站：测站、后视、仪器高、后视角，\n"
     "然后是点号、水平角、平距、高差和目标高，均右对齐。",
     "       S1         B1     1.500     0.0000         P1    45.3015    100.000      0.000        1.6"}};

constexpr LayoutText kSlope[2] = {
    {"One line for every station, backsight and measured point, in the order of the job.\n"
     "Point: name, horizontal angle, vertical angle, slope distance, target height.\n"
     "Station: its instrument height; backsight: its angle and target height.",
     "作业中的每个测站、后视和测量点各一行。\n"
     "测量点：点号、水平角、竖直角、斜距、目标高。\n"
     "测站：仪器高；后视：角度和目标高。",
     "S1  0.0000  0.0000  0.000  1.500\n"
     "B1  0.0000  0.0000  0.000  1.600\n"
     "P1  45.3015  90.0000  100.000  1.600"},
    {"One line for every measured point, carrying its set-up: station, backsight,\n"
     "instrument height, backsight angle, then name, horizontal angle, vertical\n"
     "angle, slope distance and target height, each right-aligned.",
     "每个测量点一行，带上其设站：测站、后视、仪器高、后视角，\n"
     "然后是点号、水平角、竖直角、斜距和目标高，均右对齐。",
     "       S1         B1     1.500     0.0000         P1    45.3015    90.0000    100.000      1.600"}};

}  // namespace

ConfirmDialog::ConfirmDialog(const QString& title, const QString& memoryKey, DistanceList list, QWidget* parent)
    : QDialog(parent),
      memoryKey_(memoryKey),
      a_(new QRadioButton(Tr("Layout A: every station, backsight and point", "格式 A：全部测站、后视和测量点"), this)),
      b_(new QRadioButton(Tr("Layout B: points with their set-up", "格式 B：测量点及其设站"), this)) {
  setWindowTitle(title);
  a_->setObjectName(QStringLiteral("layoutA"));
  b_->setObjectName(QStringLiteral("layoutB"));
  const LayoutText* texts = list == DistanceList::Horizontal ? kHorizontal : kSlope;
  auto* layout = new QVBoxLayout(this);
  QRadioButton* radios[2] = {a_, b_};
  for (int i = 0; i < 2; ++i) {
    explanations_[i] = new QLabel(Tr(texts[i].english, texts[i].chinese), this);
    auto* sample = new QLabel(QString::fromLatin1(texts[i].sample), this);
    sample->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    sample->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(radios[i]);
    layout->addWidget(explanations_[i]);
    layout->addWidget(sample);
    if (i == 0) layout->addSpacing(8);
  }
  QSettings memory(MemoryFile(), QSettings::IniFormat);
  SetChoice(memory.value(memoryKey_ + QStringLiteral("/layout"), 0).toInt());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

int ConfirmDialog::Choice() const { return b_->isChecked() ? 1 : 0; }

void ConfirmDialog::SetChoice(int choice) { (choice == 1 ? b_ : a_)->setChecked(true); }

QString ConfirmDialog::Explanation(int layout) const { return explanations_[layout == 1 ? 1 : 0]->text(); }

void ConfirmDialog::accept() {
  QSettings memory(MemoryFile(), QSettings::IniFormat);
  memory.setValue(memoryKey_ + QStringLiteral("/layout"), Choice());
  QDialog::accept();
}

}  // namespace corvanedlg
