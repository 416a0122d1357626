#pragma once

#include <QDBusConnection>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/input_routing/output_layout.h"
#include "platform/input_routing/portal_consent.h"
#include "platform/input_routing/routed_pointer_input.h"

namespace clickora::platform::qt {

// The desktop portal's remote desktop (org.freedesktop.portal.RemoteDesktop) as a route of the
// program's clicks: a session with the pointer and one screen-cast stream covering the desktop,
// onto which each point is mapped. The user is asked at the session's first Start only (the
// program tells why beforehand, as AsksConsent says); the session is then kept for the program's
// life, and where the portal keeps consent (version 2 and later) its restore token lets later
// sessions start without asking. A refused session is not asked for again.
struct PortalRouteSetup {
  QDBusConnection bus;
  std::uint32_t version = 0;  // the portal's RemoteDesktop version
  // The monitors' logical areas; the primary is the one at the layout's origin.
  std::function<std::vector<input_routing::OutputArea>()> outputs;
  input_routing::RestoreTokenFile tokens;
  int answer_timeout_ms = 120000;  // how long the user has to answer the portal's dialog
};
std::unique_ptr<input_routing::PointerRoute> MakePortalPointerRoute(PortalRouteSetup setup);

// The RemoteDesktop version of the portal on a bus; 0 without one.
std::uint32_t PortalRemoteDesktopVersion(const QDBusConnection& bus);

}  // namespace clickora::platform::qt
