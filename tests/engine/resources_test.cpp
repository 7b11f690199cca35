#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "support.h"

namespace {

using enginetest::DataRoot;
using enginetest::SinkCapture;
using resources::Stream;

ResourceManager& rm = *theResourceManager;

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

TEST(ResourcePaths, NormalisesVirtualPaths) {
    EXPECT_EQ(resources::normalizePath(""), "/");
    EXPECT_EQ(resources::normalizePath("a//b/"), "/a/b");
    EXPECT_EQ(resources::normalizePath("\\Images\\Fonts\\x.tga"), "/Images/Fonts/x.tga");
    EXPECT_EQ(resources::normalizePath("/a/./b/../c"), "/a/c");
    EXPECT_EQ(resources::normalizePath("/a/../.."), "");
}

TEST_F(Resources, RelativeNamesUseTheThreadsCurrentPathAndItsStack) {
    EXPECT_EQ(rm.getCurrentPath(), "/");
    EXPECT_EQ(rm.resolve("readme.txt"), "/readme.txt");
    // Callers build full names as current path + name.
    ASSERT_TRUE(rm.setCurrentPath("Images/Fonts/"));
    EXPECT_EQ(rm.getCurrentPath() + "arial.tga", "/Images/Fonts/arial.tga");
    ASSERT_TRUE(rm.setCurrentPath("/Configs"));
    ASSERT_TRUE(rm.setCurrentPath("Fonts"));
    EXPECT_EQ(rm.getCurrentPath(), "/Configs/Fonts/");
    EXPECT_EQ(rm.resolve("arial.fnt"), "/Configs/Fonts/arial.fnt");
    EXPECT_EQ(rm.resolve("/Images/Fonts/arial.tga"), "/Images/Fonts/arial.tga");
    EXPECT_EQ(rm.fileExists("arial.fnt"), 0);
    ASSERT_TRUE(rm.setCurrentPath("../../Images"));
    EXPECT_EQ(rm.getCurrentPath(), "/Images/");
    // Climbing above the root is refused.
    ASSERT_TRUE(rm.setCurrentPath("/Configs"));
    EXPECT_FALSE(rm.setCurrentPath("../.."));
    EXPECT_EQ(rm.getCurrentPath(), "/Configs/");
    EXPECT_EQ(rm.fileExists("../../readme.txt"), -1);
    EXPECT_EQ(rm.openRead("../../readme.txt"), nullptr);

    // Saved paths come back last first.
    rm.pushCurrentPath();
    ASSERT_TRUE(rm.setCurrentPath("/Images"));
    rm.pushCurrentPath();
    ASSERT_TRUE(rm.setCurrentPath("/"));
    EXPECT_TRUE(rm.popCurrentPath());
    EXPECT_EQ(rm.getCurrentPath(), "/Images/");
    EXPECT_TRUE(rm.popCurrentPath());
    EXPECT_EQ(rm.getCurrentPath(), "/Configs/");
    EXPECT_FALSE(rm.popCurrentPath());
    std::string seen, afterSet;
    std::thread other([&] {
        seen = rm.getCurrentPath();
        rm.setCurrentPath("/Images");
        afterSet = rm.getCurrentPath();
    });
    other.join();
    EXPECT_EQ(seen, "/");
    EXPECT_EQ(afterSet, "/Images/");
    EXPECT_EQ(rm.getCurrentPath(), "/Configs/");
}

// Folders were once opened as if they were files.
TEST_F(Resources, OnlyFilesExistAndOpenUnderTheDataRoot) {
    EXPECT_EQ(rm.fileExists("/readme.txt"), 0);
    EXPECT_TRUE(rm.exists("/readme.txt"));
    for (const char* name : {"/missing.txt", "/Configs", ""}) {
        EXPECT_EQ(rm.fileExists(name), -1) << name;
        EXPECT_EQ(rm.openRead(name), nullptr) << name;
    }
    EXPECT_TRUE(rm.isDirectory("/Configs"));
    EXPECT_FALSE(rm.isDirectory("/readme.txt"));
    // A bad data root is reported and the old one stays.
    SinkCapture capture;
    EXPECT_FALSE(rm.setDataRoot(root.data().str() + "/no-such-folder"));
    EXPECT_EQ(rm.getDataRoot(), root.data().str());
    EXPECT_EQ(rm.fileExists("/Configs/Fonts/arial.fnt"), 0);
    const auto records = capture.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].filter, "Resources");
    EXPECT_NE(records[0].text.find("no-such-folder"), std::string::npos);
}

// Puts environment variables back as they were.
struct SavedEnv {
    explicit SavedEnv(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            const char* value = std::getenv(name);
            saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    ~SavedEnv() {
        for (const auto& [name, value] : saved)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

// The default write folder was once the working directory, the source tree.
TEST(ResourceDefaults, EnvironmentChoosesDataRootAndWriteFolder) {
    enginetest::TempDir data, out;
    data.write("Configs/system.cfg", "Driver = { };");
    SavedEnv env{"D3DDRIVER_DATA", "D3DDRIVER_WRITE_DIR", "XDG_DATA_HOME"};
    setenv("D3DDRIVER_DATA", data.str().c_str(), 1);
    setenv("D3DDRIVER_WRITE_DIR", out.str().c_str(), 1);
    ASSERT_TRUE(rm.useDefaultMounts());
    EXPECT_EQ(rm.getDataRoot(), data.str());
    EXPECT_EQ(rm.getWriteDir(), out.str());
    EXPECT_EQ(rm.fileExists("/Configs/system.cfg"), 0);

    unsetenv("D3DDRIVER_WRITE_DIR");
    setenv("XDG_DATA_HOME", out.str().c_str(), 1);
    ASSERT_TRUE(rm.useDefaultMounts());
    EXPECT_EQ(rm.getWriteDir(), (out.path() / "d3ddriver").string());
    auto stream = rm.openWrite("/shot.tga");
    ASSERT_NE(stream, nullptr);
    stream->close();
    EXPECT_TRUE(std::filesystem::exists(out.path() / "d3ddriver" / "shot.tga"));
}

// The manager makes its write folder again at every mount: folders of a
// finished fixture, or chosen through the environment, must not come back
// at the next mount (they once piled up in the temporary folder).
TEST(ResourceDefaults, RemovedTemporaryFoldersStayRemoved) {
    const auto expectGoneAfterNextMount = [](const std::vector<std::filesystem::path>& gone) {
        DataRoot next;
        ASSERT_TRUE(next.ok());
        ASSERT_EQ(gone.size(), 2u);
        for (const auto& folder : gone)
            EXPECT_FALSE(std::filesystem::exists(folder)) << folder;
    };
    std::vector<std::filesystem::path> gone;
    {
        DataRoot first;
        ASSERT_TRUE(first.ok());
        gone = {first.data().path(), first.out().path()};
    }
    expectGoneAfterNextMount(gone);
    {
        enginetest::TempDir data, out;
        SavedEnv env{"D3DDRIVER_DATA", "D3DDRIVER_WRITE_DIR"};
        setenv("D3DDRIVER_DATA", data.str().c_str(), 1);
        setenv("D3DDRIVER_WRITE_DIR", out.str().c_str(), 1);
        ASSERT_TRUE(rm.useDefaultMounts());
        ASSERT_EQ(rm.getWriteDir(), out.str());
        gone = {data.path(), out.path()};
    }
    expectGoneAfterNextMount(gone);
}

TEST_F(Resources, StreamsReadSeekTellAndClose) {
    ASSERT_TRUE(rm.setCurrentPath("/Configs/Fonts"));
    auto stream = rm.openRead("arial.fnt");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->path(), "/Configs/Fonts/arial.fnt");
    EXPECT_FALSE(stream->eof());
    std::string text;
    for (int c = stream->getChar(); c != Stream::endOfFile; c = stream->getChar())
        text += static_cast<char>(c);
    EXPECT_EQ(text, "arial.tga\r\n8 8\r\n");
    EXPECT_TRUE(stream->eof());
    EXPECT_EQ(stream->getChar(), Stream::endOfFile);
    // High bytes are not the end of the file.
    root.data().write("bytes.bin", std::string("\xff\x00\x80", 3));
    stream = rm.openRead("/bytes.bin");
    ASSERT_NE(stream, nullptr);
    for (int byte : {0xff, 0x00, 0x80, Stream::endOfFile})
        EXPECT_EQ(stream->getChar(), byte);

    stream = rm.openRead("/Images/Fonts/arial.tga");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->size(), 6);
    char buffer[16] = {};
    EXPECT_EQ(stream->read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "pixe");
    EXPECT_EQ(stream->read(buffer, sizeof buffer), 2u);
    EXPECT_EQ(std::string(buffer, 2), "ls");
    EXPECT_EQ(stream->read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(stream->read(nullptr, 4), 0u);

    ASSERT_TRUE(stream->seek(2));
    EXPECT_EQ(stream->tell(), 2);
    EXPECT_EQ(stream->getChar(), 'x');
    ASSERT_TRUE(stream->seek(1, Stream::Origin::Current));
    EXPECT_EQ(stream->getChar(), 'l');
    ASSERT_TRUE(stream->seek(-1, Stream::Origin::End));
    EXPECT_EQ(stream->getChar(), 's');
    EXPECT_FALSE(stream->seek(-1));
    EXPECT_FALSE(stream->isWritable());
    EXPECT_EQ(stream->write("x", 1), 0u);

    stream->close();
    EXPECT_FALSE(stream->isOpen());
    EXPECT_EQ(stream->getChar(), Stream::endOfFile);
    EXPECT_EQ(stream->tell(), -1);
    EXPECT_EQ(stream->size(), -1);
    EXPECT_FALSE(stream->seek(0));
    stream->close();  // twice is harmless
}

TEST_F(Resources, WrittenFileGoesToTheWriteFolderAndShadowsTheDataRoot) {
    const std::string bytes("TGA\0data\xff", 9);
    {
        auto out = rm.openWrite("/Screenshots/shot0001.tga");
        ASSERT_NE(out, nullptr);
        EXPECT_TRUE(out->isWritable());
        EXPECT_EQ(out->write(bytes.data(), bytes.size()), bytes.size());
        char c = 0;
        EXPECT_EQ(out->read(&c, 1), 0u);  // not open for reading
    }
    std::string text;
    ASSERT_TRUE(rm.readAll("/Screenshots/shot0001.tga", &text));
    EXPECT_EQ(text, bytes);
    EXPECT_TRUE(std::filesystem::exists(root.out().path() / "Screenshots/shot0001.tga"));
    EXPECT_FALSE(std::filesystem::exists(root.data().path() / "Screenshots"));

    {
        auto out = rm.openWrite("readme.txt");
        ASSERT_NE(out, nullptr);
        EXPECT_TRUE(out->write(std::string("new")));
    }
    ASSERT_TRUE(rm.readAll("/readme.txt", &text));
    EXPECT_EQ(text, "new");
    ASSERT_TRUE(rm.remove("/readme.txt"));
    ASSERT_TRUE(rm.readAll("/readme.txt", &text));
    EXPECT_EQ(text, "top");

    std::filesystem::create_directories(root.out().path() / "Busy");
    SinkCapture capture;
    EXPECT_EQ(rm.openWrite("/Busy"), nullptr);
    EXPECT_EQ(rm.openWrite("/"), nullptr);
}

TEST_F(Resources, ThreadsReadAndWriteWithTheirOwnPaths) {
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        const std::string expected = "thread " + std::to_string(t);
        root.data().write("T" + std::to_string(t) + "/name.txt", expected);
        threads.emplace_back([t, expected, &failures] {
            for (int round = 0; round < 50; ++round) {
                const std::string outName = "out" + std::to_string(round) + ".txt";
                std::string text;
                rm.pushCurrentPath();
                const bool ok = rm.setCurrentPath("/T" + std::to_string(t)) &&
                                rm.fileExists("name.txt") == 0 && rm.readAll("name.txt", &text) &&
                                text == expected &&
                                [&] {
                                    auto out = rm.openWrite(outName);
                                    return out && out->write(expected);
                                }() &&
                                rm.readAll(outName, &text) && text == expected;
                failures += rm.popCurrentPath() && ok ? 0 : 1;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
