#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support.h"

namespace {

using enginetest::DataRoot;
using enginetest::SinkCapture;
using resources::Stream;

class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.ok());
        root.data().write("Configs/Fonts/arial.fnt", "arial.tga\r\n8 8\r\n");
        root.data().write("Images/Fonts/arial.tga", "pixels");
        root.data().write("readme.txt", "top");
    }
    DataRoot root;
};

std::string readAll(Stream& stream) {
    std::string text;
    for (int c = stream.getChar(); c != Stream::endOfFile; c = stream.getChar())
        text += static_cast<char>(c);
    return text;
}

// --- names and the current path ------------------------------------------------

TEST(ResourcePaths, NormalisesVirtualPaths) {
    EXPECT_EQ(resources::normalizePath(""), "/");
    EXPECT_EQ(resources::normalizePath("/"), "/");
    EXPECT_EQ(resources::normalizePath("a//b/"), "/a/b");
    EXPECT_EQ(resources::normalizePath("\\Images\\Fonts\\x.tga"), "/Images/Fonts/x.tga");
    EXPECT_EQ(resources::normalizePath("/a/./b/../c"), "/a/c");
    EXPECT_EQ(resources::normalizePath("/a/../.."), "");
}

TEST_F(Resources, StartsAtTheRoot) {
    EXPECT_EQ(theResourceManager->getCurrentPath(), "/");
    EXPECT_EQ(theResourceManager->resolve("readme.txt"), "/readme.txt");
}

TEST_F(Resources, RelativeNamesUseTheCurrentPathAbsoluteOnesIgnoreIt) {
    ASSERT_TRUE(theResourceManager->setCurrentPath("/Configs/Fonts"));
    EXPECT_EQ(theResourceManager->getCurrentPath(), "/Configs/Fonts/");
    EXPECT_EQ(theResourceManager->resolve("arial.fnt"), "/Configs/Fonts/arial.fnt");
    EXPECT_EQ(theResourceManager->resolve("/Images/Fonts/arial.tga"), "/Images/Fonts/arial.tga");
    EXPECT_EQ(theResourceManager->fileExists("arial.fnt"), 0);
    EXPECT_EQ(theResourceManager->fileExists("/Images/Fonts/arial.tga"), 0);
    EXPECT_NE(theResourceManager->fileExists("arial.tga"), 0);
    EXPECT_NE(theResourceManager->fileExists("readme.txt"), 0);
}

TEST_F(Resources, CurrentPathKeepsTheFormThatPrefixesNames) {
    // Callers build full names as current path + name.
    ASSERT_TRUE(theResourceManager->setCurrentPath("Images/Fonts/"));
    EXPECT_EQ(theResourceManager->getCurrentPath() + "arial.tga", "/Images/Fonts/arial.tga");
}

TEST_F(Resources, SetCurrentPathResolvesRelativeToTheCurrentOne) {
    ASSERT_TRUE(theResourceManager->setCurrentPath("/Configs"));
    ASSERT_TRUE(theResourceManager->setCurrentPath("Fonts"));
    EXPECT_EQ(theResourceManager->getCurrentPath(), "/Configs/Fonts/");
    ASSERT_TRUE(theResourceManager->setCurrentPath("../../Images"));
    EXPECT_EQ(theResourceManager->getCurrentPath(), "/Images/");
}

TEST_F(Resources, ClimbingAboveTheRootIsRefused) {
    ASSERT_TRUE(theResourceManager->setCurrentPath("/Configs"));
    EXPECT_FALSE(theResourceManager->setCurrentPath("../.."));
    EXPECT_EQ(theResourceManager->getCurrentPath(), "/Configs/");
    EXPECT_EQ(theResourceManager->fileExists("../../readme.txt"), -1);
    EXPECT_EQ(theResourceManager->openRead("../../readme.txt"), nullptr);
}

TEST_F(Resources, PushAndPopRestoreSavedPaths) {
    ASSERT_TRUE(theResourceManager->setCurrentPath("/Configs"));
    theResourceManager->pushCurrentPath();
    ASSERT_TRUE(theResourceManager->setCurrentPath("/Images"));
    theResourceManager->pushCurrentPath();
    ASSERT_TRUE(theResourceManager->setCurrentPath("/"));
    EXPECT_TRUE(theResourceManager->popCurrentPath());
    EXPECT_EQ(theResourceManager->getCurrentPath(), "/Images/");
    EXPECT_TRUE(theResourceManager->popCurrentPath());
    EXPECT_EQ(theResourceManager->getCurrentPath(), "/Configs/");
    EXPECT_FALSE(theResourceManager->popCurrentPath());
    EXPECT_EQ(theResourceManager->getCurrentPath(), "/Configs/");
}

TEST_F(Resources, EachThreadHasItsOwnCurrentPath) {
    ASSERT_TRUE(theResourceManager->setCurrentPath("/Configs"));
    std::string seen, afterSet;
    std::thread other([&] {
        seen = theResourceManager->getCurrentPath();
        theResourceManager->setCurrentPath("/Images");
        afterSet = theResourceManager->getCurrentPath();
    });
    other.join();
    EXPECT_EQ(seen, "/");
    EXPECT_EQ(afterSet, "/Images/");
    EXPECT_EQ(theResourceManager->getCurrentPath(), "/Configs/");
}

// --- existence ------------------------------------------------------------------------

TEST_F(Resources, FileExistsAnswersZeroOnlyForFiles) {
    EXPECT_EQ(theResourceManager->fileExists("/readme.txt"), 0);
    EXPECT_EQ(theResourceManager->fileExists("/Configs/Fonts/arial.fnt"), 0);
    EXPECT_EQ(theResourceManager->fileExists("/missing.txt"), -1);
    EXPECT_EQ(theResourceManager->fileExists("/Configs"), -1);  // a folder
    EXPECT_EQ(theResourceManager->fileExists(""), -1);
    EXPECT_TRUE(theResourceManager->exists("/readme.txt"));
    EXPECT_FALSE(theResourceManager->exists("/missing.txt"));
    EXPECT_TRUE(theResourceManager->isDirectory("/Configs"));
    EXPECT_FALSE(theResourceManager->isDirectory("/readme.txt"));
}

TEST_F(Resources, BadDataRootIsReportedAndKeepsTheOldOne) {
    SinkCapture capture;
    EXPECT_FALSE(theResourceManager->setDataRoot(root.data().str() + "/no-such-folder"));
    EXPECT_EQ(theResourceManager->getDataRoot(), root.data().str());
    EXPECT_EQ(theResourceManager->fileExists("/readme.txt"), 0);
    const auto records = capture.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].filter, "Resources");
    EXPECT_NE(records[0].text.find("no-such-folder"), std::string::npos);
}

// Sets environment variables for one test and puts the old values back.
class ScopedEnv {
public:
    void set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved_.push_back({name, old ? std::string(old) : std::string(), old != nullptr});
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->had)
                setenv(it->name.c_str(), it->value.c_str(), 1);
            else
                unsetenv(it->name.c_str());
        }
    }

private:
    struct Saved {
        std::string name, value;
        bool had;
    };
    std::vector<Saved> saved_;
};

TEST(ResourceDefaults, EnvironmentChoosesDataRootAndWriteFolder) {
    enginetest::TempDir data, out;
    data.write("Configs/system.cfg", "Driver = { };");
    {
        ScopedEnv env;
        env.set("D3DDRIVER_DATA", data.str().c_str());
        env.set("D3DDRIVER_WRITE_DIR", out.str().c_str());
        ASSERT_TRUE(theResourceManager->useDefaultMounts());
        EXPECT_EQ(theResourceManager->getDataRoot(), data.str());
        EXPECT_EQ(theResourceManager->getWriteDir(), out.str());
        EXPECT_EQ(theResourceManager->fileExists("/Configs/system.cfg"), 0);
    }
    {
        ScopedEnv env;
        env.set("D3DDRIVER_DATA", data.str().c_str());
        env.set("D3DDRIVER_WRITE_DIR", nullptr);
        env.set("XDG_DATA_HOME", out.str().c_str());
        ASSERT_TRUE(theResourceManager->useDefaultMounts());
        EXPECT_EQ(theResourceManager->getWriteDir(), (out.path() / "d3ddriver").string());
        auto stream = theResourceManager->openWrite("/shot.tga");
        ASSERT_NE(stream, nullptr);
        stream->close();
        EXPECT_TRUE(std::filesystem::exists(out.path() / "d3ddriver" / "shot.tga"));
    }
}

// --- reading -----------------------------------------------------------------------------

TEST_F(Resources, OpeningAMissingFileGivesNull) {
    EXPECT_EQ(theResourceManager->openRead("/missing.txt"), nullptr);
    EXPECT_EQ(theResourceManager->openRead("/Configs"), nullptr);
    EXPECT_EQ(theResourceManager->openRead(""), nullptr);
}

TEST_F(Resources, ReadsOneCharacterUntilEndOfFile) {
    ASSERT_TRUE(theResourceManager->setCurrentPath("/Configs/Fonts"));
    auto stream = theResourceManager->openRead("arial.fnt");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->path(), "/Configs/Fonts/arial.fnt");
    EXPECT_FALSE(stream->eof());
    EXPECT_EQ(readAll(*stream), "arial.tga\r\n8 8\r\n");
    EXPECT_TRUE(stream->eof());
    EXPECT_EQ(stream->getChar(), Stream::endOfFile);
}

TEST_F(Resources, HighBytesAreNotEndOfFile) {
    root.data().write("bytes.bin", std::string("\xff\x00\x80", 3));
    auto stream = theResourceManager->openRead("/bytes.bin");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->getChar(), 0xff);
    EXPECT_EQ(stream->getChar(), 0x00);
    EXPECT_EQ(stream->getChar(), 0x80);
    EXPECT_EQ(stream->getChar(), Stream::endOfFile);
}

TEST_F(Resources, ReadReturnsTheCountRead) {
    auto stream = theResourceManager->openRead("/Images/Fonts/arial.tga");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->size(), 6);
    char buffer[16] = {};
    EXPECT_EQ(stream->read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "pixe");
    EXPECT_EQ(stream->read(buffer, sizeof buffer), 2u);
    EXPECT_EQ(std::string(buffer, 2), "ls");
    EXPECT_EQ(stream->read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(stream->read(nullptr, 4), 0u);
}

TEST_F(Resources, SeekAndTell) {
    auto stream = theResourceManager->openRead("/Images/Fonts/arial.tga");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->tell(), 0);
    ASSERT_TRUE(stream->seek(2));
    EXPECT_EQ(stream->tell(), 2);
    EXPECT_EQ(stream->getChar(), 'x');
    ASSERT_TRUE(stream->seek(1, Stream::Origin::Current));
    EXPECT_EQ(stream->getChar(), 'l');
    ASSERT_TRUE(stream->seek(-1, Stream::Origin::End));
    EXPECT_EQ(stream->getChar(), 's');
    EXPECT_FALSE(stream->seek(-1));
    ASSERT_TRUE(stream->seek(0));
    EXPECT_EQ(stream->getChar(), 'p');
}

TEST_F(Resources, ClosedStreamDoesNothing) {
    auto stream = theResourceManager->openRead("/readme.txt");
    ASSERT_NE(stream, nullptr);
    stream->close();
    EXPECT_FALSE(stream->isOpen());
    EXPECT_EQ(stream->getChar(), Stream::endOfFile);
    EXPECT_EQ(stream->tell(), -1);
    EXPECT_EQ(stream->size(), -1);
    EXPECT_FALSE(stream->seek(0));
    stream->close();  // twice is harmless
}

// --- writing -------------------------------------------------------------------------------

TEST_F(Resources, WrittenFileIsReadBackThroughTheSameName) {
    const std::string bytes("TGA\0data\xff", 9);
    {
        auto out = theResourceManager->openWrite("/Screenshots/shot0001.tga");
        ASSERT_NE(out, nullptr);
        EXPECT_TRUE(out->isWritable());
        EXPECT_EQ(out->write(bytes.data(), bytes.size()), bytes.size());
        char c = 0;
        EXPECT_EQ(out->read(&c, 1), 0u);  // not open for reading
    }
    EXPECT_EQ(theResourceManager->fileExists("/Screenshots/shot0001.tga"), 0);
    std::string back;
    ASSERT_TRUE(theResourceManager->readAll("/Screenshots/shot0001.tga", &back));
    EXPECT_EQ(back, bytes);
    // It went to the write folder, not to the data root.
    EXPECT_TRUE(std::filesystem::exists(root.out().path() / "Screenshots/shot0001.tga"));
    EXPECT_FALSE(std::filesystem::exists(root.data().path() / "Screenshots"));
}

TEST_F(Resources, WrittenFileShadowsTheDataRootCopy) {
    ASSERT_TRUE(theResourceManager->setCurrentPath("/"));
    {
        auto out = theResourceManager->openWrite("readme.txt");
        ASSERT_NE(out, nullptr);
        EXPECT_TRUE(out->write(std::string("new")));
    }
    std::string text;
    ASSERT_TRUE(theResourceManager->readAll("/readme.txt", &text));
    EXPECT_EQ(text, "new");
    ASSERT_TRUE(theResourceManager->remove("/readme.txt"));
    ASSERT_TRUE(theResourceManager->readAll("/readme.txt", &text));
    EXPECT_EQ(text, "top");
}

TEST_F(Resources, ReadStreamRefusesWrites) {
    auto stream = theResourceManager->openRead("/readme.txt");
    ASSERT_NE(stream, nullptr);
    EXPECT_FALSE(stream->isWritable());
    EXPECT_EQ(stream->write("x", 1), 0u);
}

TEST_F(Resources, WritingOverAFolderFails) {
    std::filesystem::create_directories(root.out().path() / "Busy");
    SinkCapture capture;
    EXPECT_EQ(theResourceManager->openWrite("/Busy"), nullptr);
    EXPECT_EQ(theResourceManager->openWrite("/"), nullptr);
}

// --- threads -------------------------------------------------------------------------------------

TEST_F(Resources, ThreadsReadAndWriteWithTheirOwnPaths) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 50;
    for (int t = 0; t < kThreads; ++t)
        root.data().write("T" + std::to_string(t) + "/name.txt", "thread " + std::to_string(t));

    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            const std::string expected = "thread " + std::to_string(t);
            for (int round = 0; round < kRounds; ++round) {
                theResourceManager->pushCurrentPath();
                if (!theResourceManager->setCurrentPath("/T" + std::to_string(t)))
                    ++failures;
                std::string text;
                if (theResourceManager->fileExists("name.txt") != 0 ||
                    !theResourceManager->readAll("name.txt", &text) || text != expected)
                    ++failures;
                const std::string outName = "out" + std::to_string(round) + ".txt";
                if (auto out = theResourceManager->openWrite(outName)) {
                    out->write(expected);
                } else {
                    ++failures;
                }
                if (!theResourceManager->readAll(outName, &text) || text != expected)
                    ++failures;
                if (!theResourceManager->popCurrentPath())
                    ++failures;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
