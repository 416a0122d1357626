#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/control_abi.h"
#include "platform/fake/fake_event_loop.h"

namespace {

using clickora::platform::IntervalTimer;
using clickora::platform::fake::FakeEventLoop;

constexpr std::int32_t kIntervalId = 0x68030003;
constexpr std::int32_t kEnabledId = 0x68030002;

// A host on the fake event loop, as the form runtime offers one control.
struct FakeHost {
  FakeEventLoop loop;
  std::vector<std::unique_ptr<IntervalTimer>> timers;  // slots stay; a destroyed timer's is null
  std::vector<std::int32_t> events;
  std::function<void()> on_event;
  bool refuse_timers = false;
  clickora_control_host table{};

  FakeHost() {
    table.abi_version = CLICKORA_CONTROL_ABI_VERSION;
    table.context = this;
    table.create_timer = [](void* context, void (*on_tick)(void*),
                            void* tick_context) -> clickora_host_timer* {
      auto& host = *static_cast<FakeHost*>(context);
      if (host.refuse_timers) return nullptr;
      host.timers.push_back(
          host.loop.CreateTimer([on_tick, tick_context] { on_tick(tick_context); }));
      return reinterpret_cast<clickora_host_timer*>(host.timers.size());  // slot number + 1
    };
    table.destroy_timer = [](void* context, clickora_host_timer* timer) {
      Of(context, timer).reset();
    };
    table.set_timer_interval = [](void* context, clickora_host_timer* timer, std::int32_t ms) {
      Of(context, timer)->SetInterval(ms);
    };
    table.timer_interval = [](void* context, const clickora_host_timer* timer) {
      return Of(context, timer)->Interval();
    };
    table.set_timer_enabled = [](void* context, clickora_host_timer* timer, int enabled) {
      Of(context, timer)->SetEnabled(enabled != 0);
    };
    table.timer_enabled = [](void* context, const clickora_host_timer* timer) {
      return Of(context, timer)->Enabled() ? 1 : 0;
    };
    table.now_ms = [](void* context) { return static_cast<FakeHost*>(context)->loop.NowMs(); };
    table.raise_event = [](void* context, std::int32_t dispid, const char* name) {
      auto& host = *static_cast<FakeHost*>(context);
      host.events.push_back(dispid);
      EXPECT_STREQ(name, "OnTimer");
      if (host.on_event) host.on_event();
    };
  }

  static std::unique_ptr<IntervalTimer>& Of(void* context, const clickora_host_timer* timer) {
    return static_cast<FakeHost*>(context)->timers.at(reinterpret_cast<std::uintptr_t>(timer) - 1);
  }
  std::size_t LiveTimers() const {
    std::size_t live = 0;
    for (const auto& timer : timers) live += timer != nullptr;
    return live;
  }
};

class HorolonPluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = dlopen(HOROLON_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    create_ = reinterpret_cast<clickora_create_control_fn>(
        dlsym(library_, CLICKORA_CREATE_CONTROL_SYMBOL));
    ASSERT_NE(create_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (control_ != nullptr) control_->vtable->destroy(control_);
    if (library_ != nullptr) dlclose(library_);
  }

  clickora_control* Create(const char* class_name = "Horolib.LongTimer") {
    EXPECT_EQ(create_(class_name, &host_.table, &control_), CLICKORA_OK);
    return control_;
  }
  std::int32_t PutInterval(float seconds) {
    clickora_value value{CLICKORA_VT_R4, seconds, 0};
    return control_->vtable->put_property(control_, kIntervalId, &value);
  }
  std::int32_t PutEnabled(bool enabled) {
    clickora_value value{CLICKORA_VT_BOOL, 0.0f, static_cast<std::int16_t>(enabled ? -1 : 0)};
    return control_->vtable->put_property(control_, kEnabledId, &value);
  }

  void* library_ = nullptr;
  clickora_create_control_fn create_ = nullptr;
  FakeHost host_;
  clickora_control* control_ = nullptr;
};

TEST_F(HorolonPluginTest, ExportsOnlyTheCreateFunction) {
  // The portable timer's C++ symbols stay inside the library, so two control libraries never
  // clash in one process.
  EXPECT_EQ(dlsym(library_, "_ZN8clickora7horolon9LongTimer11SetIntervalEf"), nullptr);
}

TEST_F(HorolonPluginTest, CreatesOnlyItsOwnClassWithACompleteHost) {
  struct Case {
    const char* class_name;
    bool break_host;
    std::int32_t status;
  };
  const Case cases[] = {
      {"Horolib.LongTimer", false, CLICKORA_OK},
      {"horolib.longtimer", false, CLICKORA_OK},  // ProgIDs match in any letter case
      {"Horolib.ShortTimer", false, CLICKORA_UNKNOWN_CLASS},
      {"", false, CLICKORA_UNKNOWN_CLASS},
      {"Horolib.LongTimer", true, CLICKORA_ABI_MISMATCH},
  };
  for (const Case& c : cases) {
    FakeHost host;
    if (c.break_host) host.table.abi_version = CLICKORA_CONTROL_ABI_VERSION + 1;
    clickora_control* control = reinterpret_cast<clickora_control*>(&host);
    EXPECT_EQ(create_(c.class_name, &host.table, &control), c.status) << c.class_name;
    EXPECT_EQ(control != nullptr, c.status == CLICKORA_OK) << c.class_name;
    if (control != nullptr) control->vtable->destroy(control);
    EXPECT_EQ(host.LiveTimers(), 0u) << c.class_name;
  }
  EXPECT_EQ(create_("Horolib.LongTimer", nullptr, &control_), CLICKORA_FAILED);
  EXPECT_EQ(control_, nullptr);
}

TEST_F(HorolonPluginTest, FailsCleanlyWhenTheHostHasNoTimer) {
  host_.refuse_timers = true;
  control_ = reinterpret_cast<clickora_control*>(&host_);
  EXPECT_EQ(create_("Horolib.LongTimer", &host_.table, &control_), CLICKORA_OUT_OF_MEMORY);
  EXPECT_EQ(control_, nullptr);
}

TEST_F(HorolonPluginTest, RaisesOnTimerAtTheLoadedIntervalWhateverTheNameCase) {
  for (const char* name : {"interval", "Interval", "INTERVAL"}) {
    FakeHost host;
    clickora_control* control = nullptr;
    ASSERT_EQ(create_("Horolib.LongTimer", &host.table, &control), CLICKORA_OK);
    const clickora_saved_property saved[] = {{name, "0.5"}};
    ASSERT_EQ(control->vtable->load_properties(control, saved, 1), CLICKORA_OK);
    clickora_value enabled{CLICKORA_VT_BOOL, 0.0f, -1};
    ASSERT_EQ(control->vtable->put_property(control, kEnabledId, &enabled), CLICKORA_OK);

    // The first inner tick only records the time; 0.5 s later comes the event.
    host.loop.AdvanceBy(550);
    EXPECT_TRUE(host.events.empty()) << name;
    host.loop.AdvanceBy(100);
    EXPECT_EQ(host.events, std::vector<std::int32_t>{1}) << name;
    host.loop.AdvanceBy(5'000);
    EXPECT_EQ(host.events.size(), 11u) << name;
    control->vtable->destroy(control);
    EXPECT_EQ(host.LiveTimers(), 0u);
  }
}

TEST_F(HorolonPluginTest, LoadsEnabledOnlyFromTheExactTextTrue) {
  struct Case {
    const char* enabled;
    bool ticks;
  };
  for (const Case& c : {Case{"True", true}, Case{"true", false}, Case{"-1", false}}) {
    FakeHost host;
    clickora_control* control = nullptr;
    ASSERT_EQ(create_("Horolib.LongTimer", &host.table, &control), CLICKORA_OK);
    const clickora_saved_property saved[] = {{"interval", "1"}, {"enabled", c.enabled}};
    ASSERT_EQ(control->vtable->load_properties(control, saved, 2), CLICKORA_OK);
    host.loop.AdvanceBy(1'200);
    EXPECT_EQ(!host.events.empty(), c.ticks) << c.enabled;
    control->vtable->destroy(control);
  }
}

TEST_F(HorolonPluginTest, RefusesUnknownPropertiesAndWrongTypes) {
  Create();
  clickora_value r4{CLICKORA_VT_R4, 1.0f, 0};
  clickora_value boolean{CLICKORA_VT_BOOL, 0.0f, -1};
  EXPECT_EQ(control_->vtable->put_property(control_, 0x68030001, &r4), CLICKORA_UNKNOWN_DISPID);
  EXPECT_EQ(control_->vtable->put_property(control_, kIntervalId, &boolean),
            CLICKORA_TYPE_MISMATCH);
  EXPECT_EQ(control_->vtable->put_property(control_, kEnabledId, &r4), CLICKORA_TYPE_MISMATCH);
  EXPECT_EQ(control_->vtable->put_property(control_, kEnabledId, nullptr), CLICKORA_FAILED);
  EXPECT_EQ(control_->vtable->load_properties(control_, nullptr, 1), CLICKORA_FAILED);
  EXPECT_EQ(control_->vtable->load_properties(control_, nullptr, 0), CLICKORA_OK);
}

TEST_F(HorolonPluginTest, TheHostMayDisableOrDestroyTheControlInsideOnTimer) {
  Create();
  ASSERT_EQ(PutInterval(0.2f), CLICKORA_OK);
  ASSERT_EQ(PutEnabled(true), CLICKORA_OK);
  host_.on_event = [this] { PutEnabled(false); };
  host_.loop.AdvanceBy(2'000);
  EXPECT_EQ(host_.events.size(), 1u);

  ASSERT_EQ(PutEnabled(true), CLICKORA_OK);
  host_.on_event = [this] {
    control_->vtable->destroy(control_);
    control_ = nullptr;
  };
  host_.loop.AdvanceBy(2'000);
  EXPECT_EQ(host_.events.size(), 2u);
  EXPECT_EQ(host_.LiveTimers(), 0u);
}

}  // namespace
