// Text boxes: a QLineEdit, or a QPlainTextEdit for a multi-line box.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <algorithm>
#include <cstring>

#include "platform/forms/qt/qt_adapter.h"

namespace forms::qtbackend {

namespace {

QString FromCrLf(const std::string& s) {
  QString t = QString::fromStdString(s);
  t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return t;
}

// The first `limit` characters of a UTF-8 text: a line edit keeps no more, and a text read from a
// file may be megabytes long, which is not worth converting whole.
QString Prefix(const std::string& s, int limit) {
  size_t end = std::min(s.size(), static_cast<size_t>(limit) * 4);  // 4 bytes give at least 1 unit
  while (end < s.size() && end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(end)).left(limit);
}

std::string ToCrLf(const QString& s) {
  QString t = s;
  t.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return t.toStdString();
}

class TextBoxAdapter final : public ControlAdapter {
 public:
  QWidget* Make(Control& c, QWidget* parent, AdapterContext& ctx) const override {
    if (static_cast<TextBox&>(c).MultiLine()) {
      auto* w = new QPlainTextEdit(parent);
      w->setTabChangesFocus(true);
      QObject::connect(w, &QPlainTextEdit::textChanged, w, [w, &ctx] {
        ctx.UserChange(w, [w](Control& c) { static_cast<TextBox&>(c).Text = ToCrLf(w->toPlainText()); });
      });
      return w;
    }
    auto* w = new QLineEdit(parent);
    QObject::connect(w, &QLineEdit::textEdited, w, [w, &ctx](const QString& s) {
      ctx.UserChange(w, [&s](Control& c) { static_cast<TextBox&>(c).Text = s.toStdString(); });
    });
    return w;
  }

  bool NeedsRemake(const Control& c, const QWidget* w, const PropertyBase& p) const override {
    return std::strcmp(p.Name(), "MultiLine") == 0 &&
           static_cast<const TextBox&>(c).MultiLine() != (qobject_cast<const QPlainTextEdit*>(w) != nullptr);
  }

  void Apply(Control& c, QWidget* w, const PropertyBase*, AdapterContext& ctx) const override {
    auto& t = static_cast<TextBox&>(c);
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
      const QString text = FromCrLf(t.Text);
      if (e->toPlainText() != text) e->setPlainText(text);
      e->setReadOnly(t.Locked);
      e->setFrameShape(t.BorderStyle() == 0 ? QFrame::NoFrame : QFrame::StyledPanel);
      SetColors(e, {QPalette::Base}, ToQColor(t.BackColor), {QPalette::Text}, ToQColor(t.ForeColor));
    } else if (auto* l = qobject_cast<QLineEdit*>(w)) {
      // Qt sets the text again when the limit is set, which moves the caret to its end: only
      // a new limit is set, and before the text.
      const int limit = t.MaxLength() > 0 ? t.MaxLength() : 32767;
      if (l->maxLength() != limit) {
        const int caret = l->cursorPosition();
        l->setMaxLength(limit);
        l->setCursorPosition(caret);
      }
      const QString text = Prefix(t.Text, limit);
      if (l->text() != text) {
        l->setText(text);
        // A text set by the program shows its start, as a box whose text is longer than the
        // box is wide should (a lyric on the screen and on the printed page alike).
        l->setCursorPosition(0);
      }
      l->setReadOnly(t.Locked);
      l->setFrame(t.BorderStyle() != 0);
      const Qt::Alignment a = t.Alignment() == Alignment::Right    ? Qt::AlignRight
                              : t.Alignment() == Alignment::Center ? Qt::AlignHCenter
                                                                   : Qt::AlignLeft;
      l->setAlignment(a | Qt::AlignVCenter);
      SetColors(l, {QPalette::Base}, ToQColor(t.BackColor), {QPalette::Text}, ToQColor(t.ForeColor));
    }
    w->setFont(ctx.Fonts().Make(t.Font));
  }
};

}  // namespace

std::unique_ptr<ControlAdapter> MakeTextBoxAdapter() { return std::make_unique<TextBoxAdapter>(); }

}  // namespace forms::qtbackend
