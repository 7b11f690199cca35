#include <gtest/gtest.h>

#include <stdexcept>

#include "support.h"

namespace {

using enginetest::SinkCapture;

debug::Context here(int line) {
    return debug::Context("3d/driver/d3d/driver", line);
}

// --- levels --------------------------------------------------------------------------

TEST(DebugLevels, DetailedMessageShownOnlyByADetailedFilter) {
    debug::Filter detailed("TestDetailed", 2.0f);
    debug::Filter terse("TestTerse", 1.0f);
    SinkCapture capture;
    detailed << (debug::Message(2.0f) << "initDriver");
    terse << (debug::Message(2.0f) << "hidden");
    const auto records = capture.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].filter, "TestDetailed");
    EXPECT_EQ(records[0].text, "initDriver");
    EXPECT_EQ(records[0].kind, debug::Message::Kind::Message);
    EXPECT_FLOAT_EQ(records[0].level, 2.0f);
}

TEST(DebugLevels, WarningsShownAtTheirLevel) {
    debug::Filter terse("TestTerse", 1.0f);
    debug::Filter lower("TestLower", 0.5f);
    SinkCapture capture;
    terse << (debug::Warning(here(1)) << "shown");
    lower << (debug::Warning(here(2)) << "hidden");
    const auto records = capture.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].text, "shown");
    EXPECT_EQ(records[0].kind, debug::Message::Kind::Warning);
}

TEST(DebugLevels, LevelZeroSilencesAllButErrors) {
    debug::Filter silent("TestSilent", 0.0f);
    SinkCapture capture;
    silent << (debug::Message(0.0f) << "message");
    silent << (debug::Warning(here(3), 0.0f) << "warning");
    silent << (debug::Error(here(4)) << "error");
    const auto records = capture.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].text, "error");
    EXPECT_EQ(records[0].kind, debug::Message::Kind::Error);
    EXPECT_EQ(records[0].context.path, "3d/driver/d3d/driver");
    EXPECT_EQ(records[0].context.line, 4);
}

TEST(DebugLevels, SetLevelChangesWhatIsShown) {
    debug::Filter filter("TestChanging", 2.0f);
    const debug::Message message(2.0f);
    EXPECT_TRUE(filter.shows(message));
    filter.setLevel(1.0f);
    EXPECT_FLOAT_EQ(filter.level(), 1.0f);
    EXPECT_FALSE(filter.shows(message));
    EXPECT_TRUE(filter.shows(debug::Error(here(5))));
}

// --- filters by name ------------------------------------------------------------------------

TEST(DebugFilters, FindByName) {
    EXPECT_EQ(debug::Filter::find("TestFindMe"), nullptr);
    {
        debug::Filter filter("TestFindMe", 1.5f);
        EXPECT_EQ(debug::Filter::find("TestFindMe"), &filter);
        EXPECT_FLOAT_EQ(debug::Filter::find("TestFindMe")->level(), 1.5f);
    }
    EXPECT_EQ(debug::Filter::find("TestFindMe"), nullptr);
}

// --- exceptions ---------------------------------------------------------------------------------

TEST(DebugExceptions, CarryTheirText) {
    debug::Exception error("can't create image");
    EXPECT_EQ(error.text(), "can't create image");
    EXPECT_STREQ(error.what(), "can't create image");
    error << " (" << 42 << ")";
    EXPECT_STREQ(error.what(), "can't create image (42)");
    EXPECT_EQ(error.kind(), debug::Message::Kind::Exception);
}

TEST(DebugExceptions, CaughtAsStdExceptionWithTextIntact) {
    try {
        throw debug::Exception("required image not found");
    } catch (const std::exception& caught) {
        EXPECT_STREQ(caught.what(), "required image not found");
        return;
    }
    FAIL() << "not thrown";
}

TEST(DebugExceptions, CopiesKeepTheText) {
    debug::Exception original;
    original << "piece " << 1;
    const debug::Exception copy(original);
    EXPECT_EQ(copy.text(), "piece 1");
    EXPECT_STREQ(copy.what(), "piece 1");
}

TEST(DebugExceptions, AlwaysShownWhenSent) {
    debug::Filter silent("TestSilentEx", 0.0f);
    SinkCapture capture;
    silent << debug::Exception("thrown text");
    const auto records = capture.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, debug::Message::Kind::Exception);
    EXPECT_EQ(records[0].text, "thrown text");
}

// --- exit hooks ----------------------------------------------------------------------------------

TEST(DebugExitHooks, RunOnceAndDeletedHooksDoNotRun) {
    int kept = 0, removed = 0;
    debug::System::addExitHook([&] { ++kept; });
    const int id = debug::System::addExitHook([&] { ++removed; });
    debug::System::delExitHook(id);
    debug::System::runExitHooks();
    debug::System::runExitHooks();
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(removed, 0);
}

TEST(DebugExitHooks, ThrowingHookIsReportedAndOthersStillRun) {
    int ran = 0;
    SinkCapture capture;
    debug::System::addExitHook([] { throw std::runtime_error("display gone"); });
    debug::System::addExitHook([&] { ++ran; });
    EXPECT_NO_THROW(debug::System::runExitHooks());
    EXPECT_EQ(ran, 1);
    const auto records = capture.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, debug::Message::Kind::Error);
    EXPECT_NE(records[0].text.find("display gone"), std::string::npos) << records[0].text;
}

TEST(DebugExitHooks, IdsAreDistinct) {
    const int a = debug::System::addExitHook([] {});
    const int b = debug::System::addExitHook([] {});
    EXPECT_NE(a, b);
    debug::System::delExitHook(a);
    debug::System::delExitHook(b);
}

TEST(DebugFatalDeathTest, RunsHooksAndExitsWithCodeThree) {
    EXPECT_EXIT(
        {
            debug::System::setFatalHook([] { std::fputs("fatal hook ran\n", stderr); });
            debug::System::addExitHook([] { std::fputs("exit hook ran\n", stderr); });
            debug::System::fatal("out of video memory");
        },
        ::testing::ExitedWithCode(3),
        "fatal: out of video memory(.|\n)*fatal hook ran(.|\n)*exit hook ran");
}

// --- output line
// ------------------------------------------------------------------------------------

TEST(DebugOutput, LineOnStderrHasFilterKindContextAndText) {
    debug::Filter filter("TestLine", 2.0f);
    ::testing::internal::CaptureStderr();
    filter << (debug::Error(here(960))
               << "Font loading error: can't locate font config file x.fnt");
    filter << (debug::Message(2.0f) << "termDriver");
    const std::string output = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(output.find("[TestLine] error (3d/driver/d3d/driver:960): Font loading error: "
                          "can't locate font config file x.fnt\n"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("[TestLine] message: termDriver\n"), std::string::npos) << output;
}

TEST(DebugOutput, HiddenMessagesWriteNothing) {
    debug::Filter filter("TestQuiet", 1.0f);
    ::testing::internal::CaptureStderr();
    filter << (debug::Message(2.0f) << "too detailed");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
