#include "x11_frame_extents.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

namespace clickora::platform::qt {
namespace {

xcb_connection_t* Connection() {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const ReplyPtr<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(
          connection,
          xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
          nullptr),
      &std::free);
  return reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

}  // namespace

X11FrameExtents::X11FrameExtents(QWidget& window, std::function<void()> on_change)
    : window_(&window), on_change_(std::move(on_change)) {
  xcb_connection_t* connection = Connection();
  if (connection == nullptr) return;
  extents_atom_ = Atom(connection, "_NET_FRAME_EXTENTS");
  QCoreApplication::instance()->installNativeEventFilter(this);
}

X11FrameExtents::~X11FrameExtents() {
  if (extents_atom_ != XCB_ATOM_NONE) {
    QCoreApplication::instance()->removeNativeEventFilter(this);
  }
}

void X11FrameExtents::RequestBeforeShow() {
  xcb_connection_t* connection = Connection();
  if (connection == nullptr || extents_atom_ == XCB_ATOM_NONE || window_ == nullptr) return;
  window_id_ = static_cast<std::uint32_t>(window_->winId());
  // EWMH: a window manager that supports the request sets the property on the unmapped window;
  // the answer comes as a PropertyNotify like any later change of the frame.
  xcb_client_message_event_t request{};
  request.response_type = XCB_CLIENT_MESSAGE;
  request.format = 32;
  request.window = window_id_;
  request.type = Atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  xcb_send_event(connection, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&request));
  xcb_flush(connection);
  margins_ = Read();
}

bool X11FrameExtents::ResizeClient(QSize size) {
  xcb_connection_t* connection = Connection();
  if (connection == nullptr || window_id_ == 0) return false;
  const std::uint32_t values[] = {static_cast<std::uint32_t>(size.width()),
                                  static_cast<std::uint32_t>(size.height())};
  xcb_configure_window(connection, window_id_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                       values);
  xcb_flush(connection);
  return true;
}

std::optional<QMargins> X11FrameExtents::Read() const {
  xcb_connection_t* connection = Connection();
  if (connection == nullptr || window_id_ == 0) return std::nullopt;
  const ReplyPtr<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(
          connection,
          xcb_get_property(connection, 0, window_id_, extents_atom_, XCB_ATOM_CARDINAL, 0, 4),
          nullptr),
      &std::free);
  if (reply == nullptr || reply->type != XCB_ATOM_CARDINAL || reply->format != 32 ||
      xcb_get_property_value_length(reply.get()) != 4 * 4) {
    return std::nullopt;
  }
  // left, right, top, bottom
  const auto* widths = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
  return QMargins(static_cast<int>(widths[0]), static_cast<int>(widths[2]),
                  static_cast<int>(widths[1]), static_cast<int>(widths[3]));
}

bool X11FrameExtents::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
  if (window_id_ == 0 || type != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
  const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
  if (notify->window != window_id_ || notify->atom != extents_atom_) return false;
  const std::optional<QMargins> margins = Read();
  if (margins == margins_) return false;
  margins_ = margins;
  // After the toolkit has seen the event too, and outside its event handling.
  if (window_ != nullptr) QMetaObject::invokeMethod(window_, on_change_, Qt::QueuedConnection);
  return false;  // the toolkit keeps its own view of the frame up to date as well
}

}  // namespace clickora::platform::qt
