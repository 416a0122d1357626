#include "platform/input_routing/portal_consent.h"

#include <gtest/gtest.h>

#include "platform/posix/temporary_folder.h"

namespace clickora::platform::input_routing {
namespace {

TEST(PortalConsent, TheTokenIsKeptReadBackAndReplacedByTheNextOne) {
  posix::testing::TemporaryFolder folder("restore-token");
  const RestoreTokenFile file(folder.path() / "state" / "clickora" / "portal-restore-token");
  EXPECT_EQ(file.Read(), "");  // nothing kept yet: the first Start asks the user

  ASSERT_TRUE(file.Keep("3f1a-first"));
  EXPECT_EQ(file.Read(), "3f1a-first");
  // The portal's next answer brings a new token; the used one is gone.
  ASSERT_TRUE(file.Keep("9b2c-second"));
  EXPECT_EQ(file.Read(), "9b2c-second");
  EXPECT_EQ(std::filesystem::status(file.path()).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  // A session that restored nothing forgets the token.
  ASSERT_TRUE(file.Keep(""));
  EXPECT_EQ(file.Read(), "");
  EXPECT_FALSE(std::filesystem::exists(file.path()));
}

TEST(PortalConsent, TheTokenLivesInTheUsersStateFolder) {
  struct Case {
    const char* state;
    const char* home;
    std::optional<std::filesystem::path> path;
  };
  const Case cases[] = {
      {"/home/u/.state", "/home/u", "/home/u/.state/clickora/portal-restore-token"},
      {nullptr, "/home/u", "/home/u/.local/state/clickora/portal-restore-token"},
      {"relative/state", "/home/u", "/home/u/.local/state/clickora/portal-restore-token"},
      {nullptr, nullptr, std::nullopt},
      {nullptr, "relative", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state != nullptr ? c.state : "(unset)");
    EXPECT_EQ(RestoreTokenPath(c.state, c.home), c.path);
  }
}

TEST(PortalConsent, TheKeptTokenGoesOnlyToAPortalThatTakesOne) {
  struct Case {
    std::uint32_t version;
    const char* kept;
    std::uint32_t persist_mode;
    const char* sent;
  };
  const Case cases[] = {
      {1, "", 0, ""},          // GNOME 43: neither; the user is asked at every Start
      {1, "kept", 0, ""},      // a token from another desktop is not sent to version 1
      {2, "", 2, ""},          // the first Start: the user is asked, the answer kept
      {2, "kept", 2, "kept"},  // later: restored without asking
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    const DeviceSelection selection = SelectDevicesFor(c.version, c.kept);
    EXPECT_EQ(selection.types, 2u);  // the pointer alone
    EXPECT_EQ(selection.persist_mode, c.persist_mode);
    EXPECT_EQ(selection.restore_token, c.sent);
  }
}

}  // namespace
}  // namespace clickora::platform::input_routing
