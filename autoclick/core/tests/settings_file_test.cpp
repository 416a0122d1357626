#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app_harness.h"
#include "autoclick/texts.h"

namespace clickora::autoclick {
namespace {

using platform::fake::DialogShow;
using testing::App;

constexpr std::array<const char*, 5> kFields{"Text4", "Text5", "Text6", "Text7", "Text8"};
const std::string kPath = "C:\\Users\\me\\clicks.kpf";

std::vector<std::string> Fields(App& app) {
  std::vector<std::string> texts;
  for (const char* name : kFields) texts.push_back(app.Text(name).Text());
  return texts;
}
void SetFields(App& app, const std::vector<std::string>& texts) {
  for (std::size_t i = 0; i < kFields.size(); ++i) app.Text(kFields[i]).SetText(texts[i]);
}

TEST(SettingsFile, SaveOfTheDesignValuesThenOpenRestoresThem) {
  App app;
  app.Start();
  app.Dialog().AnswerConfirm(kPath);
  app.window->ChooseMenu("Savena");
  EXPECT_EQ(app.backend.files.Contents(kPath), "500\r\n500\r\n5\r\n1\r\n1\r\n");
  EXPECT_EQ(app.backend.files.Contents(kPath)->size(), 19u);

  SetFields(app, {"1", "2", "3", "4", "5"});
  app.Dialog().AnswerConfirm(kPath);
  app.window->ChooseMenu("openna");
  EXPECT_EQ(Fields(app), (std::vector<std::string>{"500", "500", "5", "1", "1"}));
  EXPECT_EQ(app.form->SettingsValue(), "1");
  EXPECT_TRUE(app.Messages().empty());
}

TEST(SettingsFile, OpenPutsEachValueInItsFieldAndOnlyThose) {
  const struct {
    const char* name;
    const char* contents;
    std::vector<std::string> fields;
  } cases[] = {
      {"two numbers on the first line",
       "7,8\r\n9\r\n10\r\n11\r\n12\r\n",
       {"7", "8", "9", "10", "11"}},
      {"short file", "1\r\n2\r\n3\r\n", {"1", "2", "3", "d", "e"}},
      {"empty file", "", {"a", "b", "c", "d", "e"}},
      {"quotes and leading blanks", "\"1,5\"\r\n   2\r\n\r\n4\n5", {"1,5", "2", "", "4", "5"}},
      {"more than five values", "1,2,3,4,5,6\r\n", {"1", "2", "3", "4", "5"}},
      {"UTF-8 byte-order mark",
       "\xEF\xBB\xBF"
       "10\r\n20\r\n3\r\n1\r\n2\r\n",
       {"10", "20", "3", "1", "2"}},
      {"a mark only at the start is skipped",
       "\xEF\xBB\xBF\r\n\xEF\xBB\xBF"
       "1\r\n",
       {"",
        "\xEF\xBB\xBF"
        "1",
        "c", "d", "e"}},
      {"longer than the typing limit",
       "1\r\n2\r\n123456789012\r\n4\r\n1234567\r\n",
       {"1", "2", "123456789012", "4", "1234567"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    App app;
    app.Start();
    SetFields(app, {"a", "b", "c", "d", "e"});
    app.backend.files.Put(kPath, c.contents);
    app.Dialog().AnswerConfirm(kPath);
    app.window->ChooseMenu("openna");
    EXPECT_EQ(Fields(app), c.fields);
    EXPECT_TRUE(app.Messages().empty());
  }
}

TEST(SettingsFile, CancelOrFailureChangesNothing) {
  enum class Case { kOpenCancelled, kOpenDialogFails, kUnreadable, kSaveCancelled, kWriteFails };
  for (const Case c : {Case::kOpenCancelled, Case::kOpenDialogFails, Case::kUnreadable,
                       Case::kSaveCancelled, Case::kWriteFails}) {
    SCOPED_TRACE(static_cast<int>(c));
    App app;
    app.Start();
    app.backend.files.Put("default.kpf", "9\r\n9\r\n9\r\n9\r\n9\r\n");
    app.backend.files.Put(kPath, "old");
    app.backend.files.FailReads(kPath, "Access is denied.");
    app.backend.files.FailWrites(kPath, "Access is denied.");
    const bool open =
        c == Case::kOpenCancelled || c == Case::kOpenDialogFails || c == Case::kUnreadable;
    if (c == Case::kOpenCancelled || c == Case::kSaveCancelled) app.Dialog().AnswerCancel();
    if (c == Case::kOpenDialogFails) app.Dialog().AnswerFail();
    if (c == Case::kUnreadable || c == Case::kWriteFails) app.Dialog().AnswerConfirm(kPath);
    app.window->ChooseMenu(open ? "openna" : "Savena");

    EXPECT_EQ(Fields(app), (std::vector<std::string>{"500", "500", "5", "1", "1"}));
    EXPECT_EQ(app.backend.files.Contents(kPath), "old");
    EXPECT_FALSE(app.form->SettingsValue().has_value());
    const bool cancelled = c == Case::kOpenCancelled || c == Case::kSaveCancelled;
    EXPECT_EQ(app.backend.files.ReadCount(), c == Case::kUnreadable ? 1 : 0);
    ASSERT_EQ(app.Messages().size(), cancelled ? 0u : 1u);
    if (c == Case::kUnreadable || c == Case::kWriteFails) {
      const std::string head(open ? texts::kCannotOpenFileHead : texts::kCannotSaveFileHead);
      EXPECT_EQ(app.Messages()[0], head + kPath + "\nAccess is denied.");
    }
  }
}

TEST(SettingsFile, DialogSettingsAndTheFileNameThatCarries) {
  App app;
  app.backend.program.SetProgramFolder("C:\\Tools\\tapvane");
  app.Start();
  app.Dialog().AnswerCancel();
  app.window->ChooseMenu("Savena");  // right after start-up: proposes "*.kpf"
  app.Dialog().AnswerConfirm(kPath);
  app.window->ChooseMenu("openna");
  app.Dialog().AnswerCancel();
  app.window->ChooseMenu("Savena");  // proposes the file just opened
  app.Dialog().AnswerCancel();
  app.window->ChooseMenu("openna");  // proposes "default.kpf" again

  const auto& shows = app.Dialog().Shows();
  ASSERT_EQ(shows.size(), 4u);
  const std::string folder = "C:\\Tools\\tapvane";
  const auto expect_show = [&](const DialogShow& show, DialogShow::Kind kind, const char* title,
                               std::string_view filter, const std::string& file_name) {
    EXPECT_EQ(show.kind, kind);
    EXPECT_EQ(show.title, title);
    EXPECT_EQ(show.init_dir, folder);
    EXPECT_EQ(show.default_ext, ".kpf");
    EXPECT_EQ(show.filter, filter);
    EXPECT_EQ(show.file_name, file_name);
    EXPECT_EQ(show.file_must_exist, kind == DialogShow::Kind::kOpen);
    EXPECT_EQ(show.asks_before_replacing, kind == DialogShow::Kind::kSave);
  };
  expect_show(shows[0], DialogShow::Kind::kSave, "save", texts::kSaveFilter, "*.kpf");
  expect_show(shows[1], DialogShow::Kind::kOpen, "open", texts::kOpenFilter, "default.kpf");
  expect_show(shows[2], DialogShow::Kind::kSave, "save", texts::kSaveFilter, kPath);
  expect_show(shows[3], DialogShow::Kind::kOpen, "open", texts::kOpenFilter, "default.kpf");
  EXPECT_EQ(app.Dialog().FileName(), "default.kpf");  // a cancel keeps what was set
}

TEST(SettingsFile, OpenDuringARunMovesTheNextClickOnly) {
  App app;
  app.Start();
  app.Text("Text6").SetText("3");
  app.Text("Text8").SetText("0.01");
  app.window->PressButton("Command4");
  ASSERT_TRUE(app.backend.loop.RunUntil(
      [&] { return app.backend.pointer.ButtonFlags().size() == 2; }, 10'000));
  app.backend.files.Put(kPath, "10\r\n20\r\n99\r\n77\r\n5\r\n");
  app.Dialog().AnswerConfirm(kPath);
  app.window->ChooseMenu("openna");
  ASSERT_TRUE(app.backend.loop.RunUntil([&] { return app.Command4().Enabled(); }, 10'000));
  EXPECT_EQ(app.backend.pointer.Moves(),
            (std::vector<platform::Point>{{500, 500}, {10, 20}, {10, 20}}));
  EXPECT_EQ(app.Text("Text7").Text(), "4");
  EXPECT_EQ(app.Text("Text6").Text(), "99");
}

}  // namespace
}  // namespace clickora::autoclick
