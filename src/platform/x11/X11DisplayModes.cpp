#include "platform/x11/X11DisplayModes.h"

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>

#include "platform/null/NullPlatform.h"
#include "platform/x11/XcbUtil.h"

namespace toviwall::platform {
namespace {

struct ConnectionCloser {
  void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionCloser>;

// Holds the server for the steps of one switch, so no other client sees the
// screen half changed.
class ServerGrab {
 public:
  explicit ServerGrab(xcb_connection_t* c) : c_(c) { xcb_grab_server(c_); }
  ~ServerGrab() {
    xcb_ungrab_server(c_);
    xcb_flush(c_);
  }
  ServerGrab(const ServerGrab&) = delete;
  ServerGrab& operator=(const ServerGrab&) = delete;

 private:
  xcb_connection_t* c_;
};

bool Rotated(std::uint16_t rotation) {
  return rotation & (XCB_RANDR_ROTATION_ROTATE_90 | XCB_RANDR_ROTATION_ROTATE_270);
}

class X11DisplayModes final : public DisplayModes {
 public:
  X11DisplayModes(Connection c, int screenNumber, std::uint8_t eventBase)
      : c_(std::move(c)), eventBase_(eventBase) {
    xcb_screen_t* screen = ScreenOf(c_.get(), screenNumber);
    root_ = screen->root;
    depth_ = screen->root_depth;
    xcb_randr_select_input(c_.get(), root_, XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE);
    xcb_flush(c_.get());
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c_.get()), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { DrainEvents(); });
  }

  std::vector<DisplayModeRecord> Modes() override {
    std::vector<DisplayModeRecord> modes;
    Output out = PrimaryOutput();
    if (!out.info) return modes;
    const xcb_randr_mode_t* ids = xcb_randr_get_output_info_modes(out.info.get());
    const int count = xcb_randr_get_output_info_modes_length(out.info.get());
    for (int i = 0; i < count; ++i)
      if (const xcb_randr_mode_info_t* info = FindMode(out.resources.get(), ids[i])) modes.push_back(Record(*info));
    ScheduleDrain();
    return modes;
  }

  std::optional<DisplayModeRecord> CurrentMode() override {
    Output out = PrimaryOutput();
    std::optional<DisplayModeRecord> current;
    if (out.info && out.info->crtc) {
      XcbReply<xcb_randr_get_crtc_info_reply_t> crtc(xcb_randr_get_crtc_info_reply(
          c_.get(), xcb_randr_get_crtc_info(c_.get(), out.info->crtc, out.resources->config_timestamp), nullptr));
      if (crtc && crtc->mode)
        if (const xcb_randr_mode_info_t* info = FindMode(out.resources.get(), crtc->mode)) current = Record(*info);
    }
    ScheduleDrain();
    return current;
  }

  DisplayChange ChangeMode(const DisplayModeRecord& mode) override {
    DisplayChange answer = Switch(mode);
    ScheduleDrain();
    return answer;
  }

 private:
  struct Output {
    XcbReply<xcb_randr_get_screen_resources_current_reply_t> resources;
    xcb_randr_output_t id = 0;
    XcbReply<xcb_randr_get_output_info_reply_t> info;
  };

  // The primary output when it is connected, else the first connected output.
  Output PrimaryOutput() {
    Output out;
    xcb_connection_t* c = c_.get();
    out.resources.reset(
        xcb_randr_get_screen_resources_current_reply(c, xcb_randr_get_screen_resources_current(c, root_), nullptr));
    if (!out.resources) return out;
    XcbReply<xcb_randr_get_output_primary_reply_t> primary(
        xcb_randr_get_output_primary_reply(c, xcb_randr_get_output_primary(c, root_), nullptr));
    std::vector<xcb_randr_output_t> candidates;
    if (primary && primary->output) candidates.push_back(primary->output);
    const xcb_randr_output_t* outputs = xcb_randr_get_screen_resources_current_outputs(out.resources.get());
    candidates.insert(candidates.end(), outputs,
                      outputs + xcb_randr_get_screen_resources_current_outputs_length(out.resources.get()));
    for (xcb_randr_output_t id : candidates) {
      XcbReply<xcb_randr_get_output_info_reply_t> info(xcb_randr_get_output_info_reply(
          c, xcb_randr_get_output_info(c, id, out.resources->config_timestamp), nullptr));
      if (info && info->connection == XCB_RANDR_CONNECTION_CONNECTED) {
        out.id = id;
        out.info = std::move(info);
        break;
      }
    }
    return out;
  }

  static const xcb_randr_mode_info_t* FindMode(const xcb_randr_get_screen_resources_current_reply_t* resources,
                                               xcb_randr_mode_t id) {
    const xcb_randr_mode_info_t* modes = xcb_randr_get_screen_resources_current_modes(resources);
    const int count = xcb_randr_get_screen_resources_current_modes_length(resources);
    for (int i = 0; i < count; ++i)
      if (modes[i].id == id) return &modes[i];
    return nullptr;
  }

  DisplayModeRecord Record(const xcb_randr_mode_info_t& info) const {
    DisplayModeRecord r;
    r.width = info.width;
    r.height = info.height;
    r.bitsPerPixel = depth_;  // RandR switches sizes and timings; the depth is the root window's
    r.refreshHz = RefreshRateHz(info.dot_clock, info.htotal, info.vtotal,
                                info.mode_flags & XCB_RANDR_MODE_FLAG_DOUBLE_SCAN,
                                info.mode_flags & XCB_RANDR_MODE_FLAG_INTERLACE);
    r.id = info.id;
    return r;
  }

  DisplayChange Switch(const DisplayModeRecord& mode) {
    xcb_connection_t* c = c_.get();
    Output out = PrimaryOutput();
    if (!out.info) return DisplayChange::Failed;
    const xcb_randr_mode_t* ids = xcb_randr_get_output_info_modes(out.info.get());
    const int count = xcb_randr_get_output_info_modes_length(out.info.get());
    const xcb_randr_mode_info_t* info = FindMode(out.resources.get(), static_cast<xcb_randr_mode_t>(mode.id));
    if (!info || std::find(ids, ids + count, info->id) == ids + count || mode.bitsPerPixel != depth_)
      return DisplayChange::BadMode;
    if (!out.info->crtc) return DisplayChange::Failed;  // the output is off

    // The screen must hold every lit CRTC; ours at its place with the new size.
    const xcb_randr_crtc_t* crtcs = xcb_randr_get_screen_resources_current_crtcs(out.resources.get());
    const int crtcCount = xcb_randr_get_screen_resources_current_crtcs_length(out.resources.get());
    XcbReply<xcb_randr_get_crtc_info_reply_t> ours;
    int width = 0, height = 0;
    for (int i = 0; i < crtcCount; ++i) {
      XcbReply<xcb_randr_get_crtc_info_reply_t> crtc(xcb_randr_get_crtc_info_reply(
          c, xcb_randr_get_crtc_info(c, crtcs[i], out.resources->config_timestamp), nullptr));
      if (!crtc) return DisplayChange::Failed;
      int w = crtc->width, h = crtc->height;
      if (crtcs[i] == out.info->crtc) {
        w = Rotated(crtc->rotation) ? info->height : info->width;
        h = Rotated(crtc->rotation) ? info->width : info->height;
      }
      if (crtc->mode || crtcs[i] == out.info->crtc) {
        width = std::max(width, crtc->x + w);
        height = std::max(height, crtc->y + h);
      }
      if (crtcs[i] == out.info->crtc) ours = std::move(crtc);
    }
    if (!ours) return DisplayChange::Failed;
    XcbReply<xcb_randr_get_screen_size_range_reply_t> range(
        xcb_randr_get_screen_size_range_reply(c, xcb_randr_get_screen_size_range(c, root_), nullptr));
    if (!range || width > range->max_width || height > range->max_height) return DisplayChange::Failed;
    width = std::max<int>(width, range->min_width);
    height = std::max<int>(height, range->min_height);

    XcbReply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, root_), nullptr));
    if (!geometry) return DisplayChange::Failed;
    const int oldWidth = geometry->width, oldHeight = geometry->height;
    // The screen keeps the dots per inch it started with.
    const xcb_screen_t* setup = ScreenOfRoot();
    auto millimetres = [](int pixels, int setupPixels, int setupMm) {
      return static_cast<std::uint32_t>(setupPixels > 0 && setupMm > 0 ? pixels * setupMm / setupPixels
                                                                        : pixels * 254 / 960);
    };
    auto resize = [&](int w, int h) {
      XcbReply<xcb_generic_error_t> error(xcb_request_check(
          c, xcb_randr_set_screen_size_checked(c, root_, static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h),
                                               millimetres(w, setup->width_in_pixels, setup->width_in_millimeters),
                                               millimetres(h, setup->height_in_pixels, setup->height_in_millimeters))));
      return !error;
    };

    ServerGrab grab(c);
    // Grow first where the new mode needs room, switch, then shrink to fit.
    const int wideWidth = std::max(width, oldWidth), wideHeight = std::max(height, oldHeight);
    const bool grown = wideWidth != oldWidth || wideHeight != oldHeight;
    if (grown && !resize(wideWidth, wideHeight)) return DisplayChange::Failed;
    xcb_generic_error_t* rawError = nullptr;
    XcbReply<xcb_randr_set_crtc_config_reply_t> set(xcb_randr_set_crtc_config_reply(
        c,
        xcb_randr_set_crtc_config(c, out.info->crtc, XCB_CURRENT_TIME, out.resources->config_timestamp, ours->x,
                                  ours->y, info->id, ours->rotation, xcb_randr_get_crtc_info_outputs_length(ours.get()),
                                  xcb_randr_get_crtc_info_outputs(ours.get())),
        &rawError));
    XcbReply<xcb_generic_error_t> error(rawError);
    if (error || !set || set->status != XCB_RANDR_SET_CONFIG_SUCCESS) {
      if (grown) resize(oldWidth, oldHeight);
      // BadMatch: the output does not take the mode.
      return error && error->error_code == XCB_MATCH ? DisplayChange::BadMode : DisplayChange::Failed;
    }
    if ((width != wideWidth || height != wideHeight) && !resize(width, height)) return DisplayChange::Failed;
    return DisplayChange::Successful;
  }

  const xcb_screen_t* ScreenOfRoot() {
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c_.get())); it.rem; xcb_screen_next(&it))
      if (it.data->root == root_) return it.data;
    return nullptr;
  }

  // Replies read from the socket may have brought events along, which the
  // notifier no longer sees: look at the queue once the caller is done.
  void ScheduleDrain() {
    QTimer::singleShot(0, notifier_.get(), [this] { DrainEvents(); });
  }

  void DrainEvents() {
    bool changed = false;
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(c_.get())}) {
      if ((event->response_type & 0x7f) == eventBase_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY) changed = true;
    }
    if (xcb_connection_has_error(c_.get())) notifier_->setEnabled(false);  // the display went away
    if (changed) AnnounceDisplayChange();
  }

  Connection c_;
  std::uint8_t eventBase_;
  xcb_window_t root_ = 0;
  int depth_ = 0;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace

std::unique_ptr<DisplayModes> CreateX11DisplayModes(const std::string& displayName) {
  int screenNumber = 0;
  Connection c(xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screenNumber));
  if (!c || xcb_connection_has_error(c.get())) return std::make_unique<NullDisplayModes>();
  const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c.get(), &xcb_randr_id);
  if (!ext || !ext->present) return std::make_unique<NullDisplayModes>();
  XcbReply<xcb_randr_query_version_reply_t> version(
      xcb_randr_query_version_reply(c.get(), xcb_randr_query_version(c.get(), 1, 3), nullptr));
  // Outputs and CRTCs came with 1.2, the primary output with 1.3.
  if (!version || version->major_version < 1 || (version->major_version == 1 && version->minor_version < 3))
    return std::make_unique<NullDisplayModes>();
  if (!ScreenOf(c.get(), screenNumber)) return std::make_unique<NullDisplayModes>();
  return std::make_unique<X11DisplayModes>(std::move(c), screenNumber, ext->first_event);
}

}  // namespace toviwall::platform
