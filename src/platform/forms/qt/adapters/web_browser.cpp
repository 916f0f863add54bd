// The web browser: a QTextBrowser that shows local pages and follows links within them.
#include <QTextBrowser>
#include <QUrl>

#include <filesystem>

#include "platform/forms/qt/qt_adapter.h"

namespace forms::qtbackend {

namespace {

QUrl UrlOf(const std::string& location) {
  const QString s = QString::fromStdString(location);
  if (s.contains(QLatin1String("://")) || s.startsWith(QLatin1String("file:"))) return QUrl(s);
  return QUrl::fromLocalFile(s);
}

// Pages load their pictures and style sheets only from the folder links are confined to. The
// page itself is whatever the control shows.
class ConfinedBrowser final : public QTextBrowser {
 public:
  using QTextBrowser::QTextBrowser;
  std::filesystem::path pagesFolder;

  QVariant loadResource(int type, const QUrl& name) override {
    if (type == QTextDocument::HtmlResource) return QTextBrowser::loadResource(type, name);
    const QUrl url = source().resolved(name);
    const std::string file =
        url.isLocalFile() ? WebBrowser::FileInFolder(pagesFolder, url.toLocalFile().toStdString()) : std::string();
    // An empty answer, not a null one: on a null one the document would read the file itself.
    if (file.empty()) return QByteArray();
    return QTextBrowser::loadResource(type, QUrl::fromLocalFile(QString::fromStdString(file)));
  }
};

class WebBrowserAdapter final : public ControlAdapter {
 public:
  QWidget* Make(Control&, QWidget* parent, AdapterContext& ctx) const override {
    auto* w = new ConfinedBrowser(parent);
    w->setOpenLinks(false);
    QObject::connect(w, &QTextBrowser::anchorClicked, w, [w, &ctx](const QUrl& url) {
      if (url.scheme().isEmpty() && url.path().isEmpty() && url.hasFragment()) {
        w->scrollToAnchor(url.fragment());
        return;
      }
      const QUrl target = w->source().resolved(url);
      if (!target.isLocalFile()) return;  // only local pages are shown
      ctx.UserChange(w, [&target](Control& c) {
        static_cast<WebBrowser&>(c).FollowLink(target.toLocalFile().toStdString());
      });
    });
    return w;
  }

  void Apply(Control& c, QWidget* w, const PropertyBase*, AdapterContext&) const override {
    auto& b = static_cast<WebBrowser&>(c);
    auto* x = static_cast<ConfinedBrowser*>(w);
    x->pagesFolder = b.PagesFolder();
    const QString location = QString::fromStdString(b.LocationURL());
    if (x->property("stavelarkLocation").toString() != location) {
      x->setProperty("stavelarkLocation", location);
      if (location.isEmpty()) x->clear();
      else x->setSource(UrlOf(b.LocationURL()));
    }
  }
};

}  // namespace

std::unique_ptr<ControlAdapter> MakeWebBrowserAdapter() { return std::make_unique<WebBrowserAdapter>(); }

}  // namespace forms::qtbackend
