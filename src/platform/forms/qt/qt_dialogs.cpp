#include "platform/forms/qt/qt_dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <QMessageBox>
#include <QRegularExpression>

#include "platform/forms/qt/qt_paint.h"

namespace forms::qtbackend {

QStringList NameFilters(const std::string& filter) {
  QStringList out;
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  if (filter.empty()) return out;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    QString name = parts[i].trimmed();
    // A name that shows its patterns in brackets ("MIDI Files (*.MID)") shows the patterns Qt
    // will use instead, so the list never carries two bracketed groups.
    const QRegularExpression kShown(QStringLiteral("\\s*\\([^()]*\\)$"));
    name.remove(kShown);
    QString patterns = i + 1 < parts.size() ? parts[i + 1] : QString();
    QStringList list = patterns.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
    for (QString& p : list)
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    if (list.isEmpty()) list << QStringLiteral("*");
    const QString joined = list.join(QLatin1Char(' '));
    if (name.isEmpty() && joined.isEmpty()) continue;
    // Qt reads the patterns from the last parenthesised group of the text.
    out << (name.isEmpty() ? joined : name + QStringLiteral(" (") + joined + QLatin1Char(')'));
  }
  return out;
}

namespace {

// A message box whose Escape key and close box give its escape answer, and do nothing on a box
// that has none (Qt would take its No or its last button for one).
class MessageBox final : public QMessageBox {
 public:
  MessageBox(QWidget* parent, bool shuttable) : QMessageBox(parent), shuttable_(shuttable) {
    if (!shuttable_) {
      // No close box to offer; a window manager that shows one anyway finds it does nothing.
      setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) & ~Qt::WindowCloseButtonHint);
    }
  }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (!shuttable_ && e->matches(QKeySequence::Cancel)) {
      e->accept();
      return;
    }
    QMessageBox::keyPressEvent(e);
  }
  void closeEvent(QCloseEvent* e) override {
    if (!shuttable_) {
      e->ignore();
      return;
    }
    QMessageBox::closeEvent(e);
  }

 private:
  bool shuttable_;
};

}  // namespace

int ShowMessageBox(QWidget* parent, const std::string& prompt, int buttons, const std::string& title) {
  const int escape = mb::EscapeAnswer(buttons);
  MessageBox box(parent, escape != 0);
  box.setWindowTitle(QString::fromStdString(title));
  box.setText(CaptionText(prompt));
  switch (buttons & 0x70) {
    case mb::Critical: box.setIcon(QMessageBox::Critical); break;
    case mb::Question: box.setIcon(QMessageBox::Question); break;
    case mb::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case mb::Information: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
  }
  struct Choice {
    QMessageBox::StandardButton button;
    int answer;
  };
  std::vector<Choice> choices;
  switch (buttons & 7) {
    case mb::OkCancel: choices = {{QMessageBox::Ok, mb::Ok}, {QMessageBox::Cancel, mb::Cancel}}; break;
    case mb::AbortRetryIgnore:
      choices = {{QMessageBox::Abort, mb::Abort}, {QMessageBox::Retry, mb::Retry}, {QMessageBox::Ignore, mb::Ignore}};
      break;
    case mb::YesNoCancel:
      choices = {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No}, {QMessageBox::Cancel, mb::Cancel}};
      break;
    case mb::YesNo: choices = {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No}}; break;
    case mb::RetryCancel: choices = {{QMessageBox::Retry, mb::Retry}, {QMessageBox::Cancel, mb::Cancel}}; break;
    default: choices = {{QMessageBox::Ok, mb::Ok}}; break;
  }
  for (const Choice& c : choices) {
    QAbstractButton* b = box.addButton(c.button);
    if (c.answer == escape) box.setEscapeButton(b);
  }
  const size_t defaultIndex = std::min<size_t>(static_cast<size_t>((buttons >> 8) & 3), choices.size() - 1);
  box.setDefaultButton(choices[defaultIndex].button);
  box.exec();
  const auto clicked = box.standardButton(box.clickedButton());
  for (const Choice& c : choices)
    if (c.button == clicked) return c.answer;
  // Ended without a button (the program is ending): the escape answer, or the last button.
  return escape != 0 ? escape : choices.back().answer;
}

std::optional<std::string> ShowInputBox(QWidget* parent, const std::string& prompt, const std::string& title,
                                        const std::string& defaultText, std::optional<QPoint> globalPos) {
  QInputDialog dialog(parent);
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setWindowTitle(QString::fromStdString(title));
  dialog.setLabelText(CaptionText(prompt));
  dialog.setTextValue(QString::fromStdString(defaultText));
  if (globalPos) dialog.move(*globalPos);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue().toStdString();
}

std::optional<FileDialogAnswer> ShowFileDialog(QWidget* parent, const FileDialogRequest& r) {
  QFileDialog dialog(parent, QString::fromStdString(r.title));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (r.save && !(r.flags & cdl::OFNOverwritePrompt)) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  const QStringList filters = NameFilters(r.filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int index = std::clamp(r.filterIndex, 1, static_cast<int>(filters.size()));
    dialog.selectNameFilter(filters[index - 1]);
  }
  if (!r.defaultExt.empty()) dialog.setDefaultSuffix(QString::fromStdString(r.defaultExt));
  const QString fileName = QString::fromStdString(r.fileName);
  const QFileInfo info(fileName);
  if (!r.initDir.empty()) dialog.setDirectory(QString::fromStdString(r.initDir));
  else if (!fileName.isEmpty() && info.isAbsolute()) dialog.setDirectory(info.absolutePath());
  if (!fileName.isEmpty()) dialog.selectFile(info.fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  FileDialogAnswer a;
  a.fileName = dialog.selectedFiles().first().toStdString();
  const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
  a.filterIndex = chosen >= 0 ? static_cast<int>(chosen) + 1 : r.filterIndex;
  return a;
}

std::optional<Color> ShowColorDialog(QWidget* parent, Color initial) {
  const QColor c = QColorDialog::getColor(ToQColor(initial), parent);
  if (!c.isValid()) return std::nullopt;
  return FromQColor(c);
}

}  // namespace forms::qtbackend
