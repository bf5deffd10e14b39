#include "gui/crs_box.h"

#include <QCompleter>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStringListModel>

#include "exchange/crs.h"
#include "gui/access_texts.h"

namespace corvane::gui {
namespace {

// What the settings store gives back of a value.
constexpr int kStoredLimit = 59;

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

CrsBox::CrsBox(GuiContext& context, QWidget* parent)
    : QGroupBox(parent),
      context_(context),
      label_(new QLabel(this)),
      edit_(new QLineEdit(this)),
      name_(new QLabel(this)),
      completer_(new QCompleter(this)) {
  setObjectName(QStringLiteral("CrsBox"));
  edit_->setObjectName(QStringLiteral("Crs"));
  edit_->setPlaceholderText(QStringLiteral("EPSG:4547"));
  name_->setObjectName(QStringLiteral("CrsName"));
  name_->setWordWrap(true);
  name_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label_->setBuddy(edit_);
  completer_->setCaseSensitivity(Qt::CaseInsensitive);
  completer_->setFilterMode(Qt::MatchContains);
  completer_->setMaxVisibleItems(12);
  completer_->setModel(new QStringListModel(completer_));
  edit_->setCompleter(completer_);
  // A search hit "EPSG:4547  name" leaves only its code in the field.
  connect(completer_, qOverload<const QString&>(&QCompleter::activated), this, [this](const QString& hit) {
    edit_->setText(hit.section(QLatin1Char(' '), 0, 0));
    Store();
  });
  connect(edit_, &QLineEdit::editingFinished, this, &CrsBox::Store);
  edit_->installEventFilter(this);
  auto* host = new QWidget(this);
  auto* outer = new QFormLayout(this);
  outer->addRow(host);
  auto* form = new QFormLayout(host);
  form->setContentsMargins(0, 0, 0, 0);
  form->addRow(label_, edit_);
  form->addRow(name_);
  Load();
}

void CrsBox::Load() {
  setTitle(context_.Caption("InSetting", "Crs", "Coordinate system"));
  label_->setText(context_.Caption("InSetting", "CrsCode", "EPSG code or definition"));
  edit_->setAccessibleDescription(AccessText(context_, "Crs"));
  const QString stored = context_.Setting(SettingsSection::OtherSet, "Crs", "");
  edit_->setText(stored);
  ShowName(stored);
}

bool CrsBox::eventFilter(QObject* watched, QEvent* event) {
  // PROJ's database is read when the field is first used, not at start-up.
  if (watched == edit_ && event->type() == QEvent::FocusIn) FillSearch();
  return QGroupBox::eventFilter(watched, event);
}

void CrsBox::FillSearch() {
  if (searchFilled_) return;
  searchFilled_ = true;
  QStringList entries;
  for (const exchange::CrsEntry& e : exchange::SearchCrs({}, 100000))
    entries << Utf8(e.code) + QStringLiteral("  ") + Utf8(e.name);
  static_cast<QStringListModel*>(completer_->model())->setStringList(entries);
}

void CrsBox::ShowName(const QString& definition) {
  exchange::Crs crs;
  std::string error;
  if (!exchange::Crs::Resolve(definition.toStdString(), crs, error)) name_->setText(Utf8(error));
  else if (crs.IsLocal()) name_->setText(context_.Caption("InSetting", "CrsLocal", "Local grid (no coordinate system)"));
  else name_->setText(Utf8(crs.Label()));
}

void CrsBox::Store() {
  QString text = edit_->text().trimmed();
  const QString stored = context_.Setting(SettingsSection::OtherSet, "Crs", "");
  if (text == stored) {
    ShowName(text);
    return;
  }
  exchange::Crs crs;
  std::string error;
  if (!exchange::Crs::Resolve(text.toStdString(), crs, error)) {
    name_->setText(Utf8(error));
    context_.Prompts().Message(this, Utf8(error), context_.AppTitle(), MessageIcon::Exclamation);
    return;
  }
  // The store keeps 59 characters: a longer definition goes in as its code.
  if (text.toUtf8().size() > kStoredLimit) {
    if (crs.AuthorityCode().empty()) {
      context_.Prompts().Message(this,
                                 QStringLiteral("This definition is longer than the %1 characters the settings "
                                                "keep and has no EPSG code: give the CRS by its code.")
                                     .arg(kStoredLimit),
                                 context_.AppTitle(), MessageIcon::Exclamation);
      return;
    }
    text = Utf8(crs.AuthorityCode());
    edit_->setText(text);
  }
  if (context_.WriteSetting(this, SettingsSection::OtherSet, "Crs", text.toStdString()) == WriteOutcome::Ok)
    ShowName(text);
}

}  // namespace corvane::gui
