#include "webview/local_fence.h"

#include <QWebEnginePage>
#include <QWebEngineUrlRequestInfo>

#include "webview/navigation_rule.h"

namespace qvestra::webview {

namespace {

bool IsLocal(const QUrl& url) { return url.scheme() == kLocalScheme; }

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
    // A frame whose top page cannot be read belongs to some other origin
    // inside a page; it loses the interface too.
    // A frame's window is reachable from its parent the moment the frame
    // exists, before a document of its own would run this script: every
    // way a frame comes into being (a script's insertion, the parser's, the
    // load event it may fire at once) takes the interface from it first.
    script.setSourceCode(QStringLiteral(R"((() => {
  let local = true;
  try { local = window.top.location.protocol === "%1:"; } catch (e) {}
  if (!local) return;
  const strip = (w) => {
    try {
      if (Object.hasOwn(w, "__qvestraStripped")) return;
      Object.defineProperty(w, "__qvestraStripped", {value: true});
      for (const name of Object.getOwnPropertyNames(w))
        if (/^(webkit)?RTC/.test(name)) delete w[name];
      const children = () => { for (let i = 0; i < w.length; ++i) strip(w[i]); };
      w.addEventListener("DOMNodeInserted", children, true);
      w.addEventListener("load", children, true);
      new w.MutationObserver(children).observe(w.document, {childList: true, subtree: true});
      children();
    } catch (e) {}
  };
  strip(window);
})();)")
                             .arg(kLocalScheme));
    return script;
}

}  // namespace qvestra::webview
