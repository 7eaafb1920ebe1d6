#include "webengine/local_fence.h"

#include <QWebEnginePage>
#include <QWebEngineUrlRequestInfo>

#include "webview/navigation_rule.h"

namespace qvestra::webengine {

namespace {

bool IsLocal(const QUrl& url) { return url.scheme() == webview::kLocalScheme; }

}  // namespace

bool MayRequest(const RequestOrigin& origin, const QUrl& request) {
    const bool fromLocalPage =
        IsLocal(origin.page) || IsLocal(origin.firstParty) || IsLocal(origin.initiator);
    if (!fromLocalPage || origin.mainFrameNavigation) return true;
    return IsLocal(request) || request.scheme() == u"data";
}

void LocalPageFence::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const auto* page = qobject_cast<const QWebEnginePage*>(parent());
    const RequestOrigin origin{
        page ? page->url() : QUrl(), info.firstPartyUrl(), info.initiator(),
        info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame};
    if (!MayRequest(origin, info.requestUrl())) info.block(true);
}

QWebEngineScript WithoutPeerConnections() {
    QWebEngineScript script;
    script.setName(QStringLiteral("qvestra-without-peer-connections"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(true);
    // Only a page whose top is a web page (the service's) keeps the
    // interface: a local page, its frames, a frame whose top cannot be read
    // and a window a local page opened lose it. A frame's or a new window's
    // window is reachable from its maker the moment it exists, before a
    // document of its own runs this script, so the maker strips it first:
    // at a script's insertion (synchronous), at the parser's (before the
    // next script) and as open() returns. What the page's own scripts could
    // replace later (the built-ins used here) is taken once, up front.
    script.setSourceCode(QStringLiteral(R"((() => {
  let web = false;
  try { web = /^https?:$/.test(window.top.location.protocol); } catch (e) {}
  if (web) return;
  const apply = Reflect.apply, names = Object.getOwnPropertyNames;
  const startsWith = String.prototype.startsWith;
  const listen = EventTarget.prototype.addEventListener;
  const frameCount = Object.getOwnPropertyDescriptor(window, "length").get;
  const Observer = MutationObserver, observe = MutationObserver.prototype.observe;
  const seen = new WeakSet(), has = WeakSet.prototype.has, add = WeakSet.prototype.add;
  const strip = (w) => {
    try {
      if (apply(has, seen, [w])) return;
      apply(add, seen, [w]);
      const own = names(w);
      for (let i = 0; i < own.length; ++i)
        if (apply(startsWith, own[i], ["RTC"]) || apply(startsWith, own[i], ["webkitRTC"]))
          delete w[own[i]];
      const children = () => {
        const count = apply(frameCount, w, []);
        for (let i = 0; i < count; ++i) strip(w[i]);
      };
      apply(listen, w, ["DOMNodeInserted", children, true]);
      apply(observe, new Observer(children), [w.document, {childList: true, subtree: true}]);
      const open = w.open;
      w.open = function () {
        const opened = apply(open, this, arguments);
        if (opened) strip(opened);
        return opened;
      };
      children();
    } catch (e) {}
  };
  strip(window);
})();)"));
    return script;
}

}  // namespace qvestra::webengine
