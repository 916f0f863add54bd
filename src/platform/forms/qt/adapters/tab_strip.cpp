// Tab strips: a surface with a QTabBar along its top; the controls on each page are shown
// only while their page is the current one.
#include <QApplication>
#include <QPainter>
#include <QTabBar>
#include <QWidget>
#include <cstring>

#include "platform/forms/qt/qt_adapter.h"

namespace forms::qtbackend {

namespace {

QTabBar* BarOf(const QWidget* w) { return w->findChild<QTabBar*>(QString(), Qt::FindDirectChildrenOnly); }

class TabStripAdapter final : public ControlAdapter {
 public:
  QWidget* Make(Control& c, QWidget* parent, AdapterContext& ctx) const override {
    QWidget* w = ctx.MakeContainerSurface(c, parent, false);
    auto* bar = new QTabBar(w);
    bar->setDrawBase(false);
    bar->setGeometry(0, 0, w->width(), bar->sizeHint().height());
    QObject::connect(bar, &QTabBar::currentChanged, w, [w, &ctx](int i) {
      if (i < 0) return;
      ctx.UserChange(w, [i](Control& c) { static_cast<TabStrip&>(c).Tab = i; });
    });
    return w;
  }

  void Apply(Control& c, QWidget* w, const PropertyBase* p, AdapterContext& ctx) const override {
    auto& t = static_cast<TabStrip&>(c);
    QTabBar* bar = BarOf(w);
    if (!bar) return;
    bar->setFont(ctx.Fonts().Make(t.Font));
    bool same = bar->count() == t.Tabs();
    for (int i = 0; same && i < bar->count(); ++i)
      same = bar->tabText(i) == QString::fromStdString(t.TabCaptions[static_cast<size_t>(i)]);
    if (!same) {
      while (bar->count() > 0) bar->removeTab(bar->count() - 1);
      for (const auto& s : t.TabCaptions) bar->addTab(QString::fromStdString(s));
    }
    bar->setVisible(bar->count() > 0);
    bar->setGeometry(0, 0, w->width(), bar->sizeHint().height());
    if (t.Tab() >= 0 && t.Tab() < bar->count() && bar->currentIndex() != t.Tab()) bar->setCurrentIndex(t.Tab());
    if (!p || std::strcmp(p->Name(), "Tab") == 0) ctx.PageChanged(c);
    w->update();
  }

  void Resized(Control&, QWidget* w) const override {
    if (QTabBar* bar = BarOf(w)) bar->setGeometry(0, 0, w->width(), bar->sizeHint().height());
  }

  void PaintBackground(const Control&, const QWidget& s, QPainter& p, const QRect& exposed, FontBook&) const override {
    const QPalette& pal = QApplication::palette();
    p.fillRect(exposed, pal.color(QPalette::Window));
    int top = 0;
    if (QTabBar* bar = BarOf(&s); bar && bar->isVisibleTo(&s)) top = bar->height() - 1;
    p.setPen(pal.color(QPalette::Dark));
    p.setBrush(Qt::NoBrush);
    p.drawRect(s.rect().adjusted(0, top, -1, -1));
  }
};

}  // namespace

std::unique_ptr<ControlAdapter> MakeTabStripAdapter() { return std::make_unique<TabStripAdapter>(); }

}  // namespace forms::qtbackend
