#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "support.h"

namespace {

using enginetest::SinkCapture;
using Kind = debug::Message::Kind;

debug::Context here(int line) {
    return debug::Context("3d/driver/d3d/driver", line);
}

// A filter shows messages and warnings up to its level (none at level 0),
// errors and exceptions always.
TEST(DebugLevels, WhatEachFilterLevelShows) {
    const struct {
        float filterLevel;
        std::shared_ptr<debug::Message> message;
        bool shown;
    } cases[] = {
        {2.0f, std::make_shared<debug::Message>(2.0f), true},
        {1.0f, std::make_shared<debug::Message>(2.0f), false},
        {1.0f, std::make_shared<debug::Warning>(here(1)), true},
        {0.5f, std::make_shared<debug::Warning>(here(2)), false},
        {0.0f, std::make_shared<debug::Message>(0.0f), false},
        {0.0f, std::make_shared<debug::Warning>(here(3), 0.0f), false},
        {0.0f, std::make_shared<debug::Error>(here(4)), true},
        {0.0f, std::make_shared<debug::Exception>("thrown"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.filterLevel << " " << c.message->kindName());
        debug::Filter filter("TestLevels", c.filterLevel);
        SinkCapture capture;
        filter << *c.message;
        EXPECT_EQ(filter.shows(*c.message), c.shown);
        EXPECT_EQ(capture.records().size(), c.shown ? 1u : 0u);
    }
}

TEST(DebugFilters, ShownRecordsCarryTheirFieldsAndFiltersAreFoundByName) {
    EXPECT_EQ(debug::Filter::find("TestRecord"), nullptr);
    {
        debug::Filter filter("TestRecord", 2.0f);
        EXPECT_EQ(debug::Filter::find("TestRecord"), &filter);
        SinkCapture capture;
        filter << (debug::Message(1.5f) << "initDriver " << 2);
        filter << (debug::Error(here(4)) << "error");
        filter.setLevel(1.0f);
        EXPECT_FLOAT_EQ(debug::Filter::find("TestRecord")->level(), 1.0f);
        filter << (debug::Message(1.5f) << "hidden now");
        const auto records = capture.records();
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[0].filter, "TestRecord");
        EXPECT_EQ(records[0].text, "initDriver 2");
    }
    EXPECT_EQ(debug::Filter::find("TestRecord"), nullptr);
}

// A throwing hook once kept the others from running.
TEST(DebugExitHooks, RunOnceDeletedOnesNotAndPastOneThatThrows) {
    int kept = 0, removed = 0;
    SinkCapture capture;
    debug::System::addExitHook([] { throw std::runtime_error("display gone"); });
    debug::System::addExitHook([&] { ++kept; });
    debug::System::delExitHook(debug::System::addExitHook([&] { ++removed; }));
    EXPECT_NO_THROW(debug::System::runExitHooks());
    debug::System::runExitHooks();
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(removed, 0);
    const auto records = capture.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, Kind::Error);
    EXPECT_NE(records[0].text.find("display gone"), std::string::npos) << records[0].text;
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

TEST(DebugOutput, ShownReportsAreOneLineOnStderr) {
    debug::Filter filter("TestLine", 1.0f);
    ::testing::internal::CaptureStderr();
    filter << (debug::Error(here(960))
               << "Font loading error: can't locate font config file x.fnt");
    filter << (debug::Message(2.0f) << "too detailed");
    filter << (debug::Message(1.0f) << "termDriver");
    const std::string output = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(output,
              "[TestLine] error (3d/driver/d3d/driver:960): Font loading error: can't locate "
              "font config file x.fnt\n[TestLine] message: termDriver\n");
}

}  // namespace
