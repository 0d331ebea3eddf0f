// SPDX-License-Identifier: MIT
// `korvane --read FILE` without a display: the site goes into the cache
// once per version of the help file, in a folder of its own per help file,
// and its index.html to the opener found on PATH (stand-in scripts here
// that record what they were given).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <sstream>

#include "support/test_util.h"

using namespace korvane::test;
namespace fs = std::filesystem;

namespace {

// A stand-in opener in folder: appends its arguments as one line to record
// and exits with code.
void write_opener(const std::string& folder, const std::string& name, const std::string& record, int code = 0) {
    fs::create_directories(folder);
    std::string path = folder + "/" + name;
    write_file(path, "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + record + "'\nexit " + std::to_string(code) + "\n");
    fs::permissions(path, fs::perms::owner_all);
}

RunResult read(const std::string& file, const std::string& cwd, const std::vector<std::string>& env) {
    std::vector<std::string> all{"LANG=C"};
    all.insert(all.end(), env.begin(), env.end());
    return run_program({KORVANE_BIN, "--read", file}, cwd, all);
}

std::vector<std::string> lines(const std::string& path) {
    std::vector<std::string> out;
    std::istringstream text(read_text(path));
    for (std::string line; std::getline(text, line);) out.push_back(line);
    return out;
}

struct stat stat_of(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(Read, TheSiteIsWrittenIntoTheCacheOncePerVersionOfTheHelpFile) {
    TempDir dir;
    const std::string odd = "we'ird $(name); *.hlp";
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "work");
    fs::copy_file(KORVANE_CORPUS_DIR "/winfile/winfile.hlp", dir / "in" + "/" + odd);
    write_opener(dir / "bin", "xdg-open", dir / "opened");
    write_opener(dir / "bin", "gio", dir / "gio-opened");
    // An empty XDG_CACHE_HOME counts as unset: the cache is below HOME.
    std::vector<std::string> env{"HOME=" + (dir / "home"), "XDG_CACHE_HOME=", "PATH=" + (dir / "bin")};
    const std::string cache = dir / "home/.cache/korvane";

    RunResult r = read("../in/" + odd, dir / "work", env);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::vector<std::string> opened = lines(dir / "opened");
    ASSERT_EQ(opened.size(), 1u);
    const std::string index = opened[0];
    EXPECT_FALSE(file_exists(dir / "gio-opened"));  // xdg-open comes first
    // One folder of safe characters in the cache, holding the site; nothing
    // written anywhere else.
    std::vector<std::string> entries = names_in(cache);
    ASSERT_EQ(entries.size(), 1u);
    const std::string entry = entries[0];
    EXPECT_EQ(entry.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-"),
              std::string::npos) << entry;
    EXPECT_EQ(fs::path(index).parent_path().parent_path(), fs::path(cache + "/" + entry)) << index;
    EXPECT_EQ(fs::path(index).filename(), "index.html");
    EXPECT_TRUE(names_in(dir / "work").empty());
    EXPECT_EQ(names_in(dir / "in"), std::vector<std::string>{odd});

    // Unchanged: the same site is opened again, not written again.
    struct stat first = stat_of(index);
    r = read(dir / "in" + "/" + odd, dir / "work", env);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(lines(dir / "opened"), (std::vector<std::string>{index, index}));
    struct stat again = stat_of(index);
    EXPECT_EQ(again.st_ino, first.st_ino);
    EXPECT_EQ(again.st_mtim.tv_sec, first.st_mtim.tv_sec);
    EXPECT_EQ(again.st_mtim.tv_nsec, first.st_mtim.tv_nsec);

    // Changed: converted again into the same place. What a killed run left
    // behind goes once it is old; a conversion under way is left alone.
    fs::create_directories(cache + "/" + entry + ".tmp-stale/x");
    fs::create_directories(cache + "/" + entry + ".tmp-running");
    struct timespec old[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 2 * 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (cache + "/" + entry + ".tmp-stale").c_str(), old, 0), 0);
    fs::copy_file(KORVANE_CORPUS_DIR "/leakybin/LEAKYBIN.HLP", dir / "in" + "/" + odd,
                  fs::copy_options::overwrite_existing);
    r = read(dir / "in" + "/" + odd, dir / "work", env);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(lines(dir / "opened").size(), 3u);
    EXPECT_EQ(lines(dir / "opened").back(), index);
    EXPECT_NE(stat_of(index).st_ino, first.st_ino);
    EXPECT_TRUE(has(lower(read_text(index)), "leaky")) << read_text(index);
    EXPECT_EQ(names_in(cache), (std::vector<std::string>{entry, entry + ".tmp-running"}));
}

TEST(Read, OpenersAndWhatIsShownWhenNoneOpensTheSite) {
    TempDir dir;
    fs::copy_file(KORVANE_SOURCE_DIR "/fuzz/seeds/stored.hlp", dir / "A.HLP");
    fs::create_directories(dir / "empty");
    const std::string cache = dir / "cache";  // the sites go into cache/korvane
    auto env = [&](const std::string& path) {
        return std::vector<std::string>{"XDG_CACHE_HOME=" + cache, "HOME=" + (dir / "home"), "PATH=" + path};
    };

    // gio when there is no xdg-open.
    write_opener(dir / "gio-only", "gio", dir / "gio-opened");
    RunResult r = read("A", dir.path(), env(dir / "gio-only"));
    EXPECT_EQ(r.exit_code, 0) << r.err;
    std::vector<std::string> opened = lines(dir / "gio-opened");
    ASSERT_EQ(opened.size(), 1u);
    ASSERT_EQ(opened[0].rfind("open " + cache + "/", 0), 0u) << opened[0];
    const std::string index = opened[0].substr(5);
    EXPECT_TRUE(file_exists(index));
    // A help file of the same name in another folder has a site of its own.
    fs::create_directories(dir / "other");
    fs::copy_file(KORVANE_SOURCE_DIR "/fuzz/seeds/version30.hlp", dir / "other/A.HLP");
    EXPECT_EQ(read("other/A.HLP", dir.path(), env(dir / "gio-only")).exit_code, 0);
    EXPECT_EQ(names_in(cache + "/korvane").size(), 2u);

    // No opener at all, or one that fails (not passed over for the next
    // one): the message names index.html.
    r = read("A.HLP", dir.path(), env(dir / "empty"));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(has(r.err, index)) << r.err;
    write_opener(dir / "failing", "xdg-open", dir / "failed", 3);
    write_opener(dir / "failing", "gio", dir / "gio-opened");
    r = read("A.HLP", dir.path(), env(dir / "failing"));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(has(r.err, index)) << r.err;
    EXPECT_EQ(lines(dir / "failed").size(), 1u);
    EXPECT_EQ(lines(dir / "gio-opened").size(), 2u);

    // A help file that cannot be converted leaves nothing in the cache.
    std::vector<std::string> before = names_in(cache + "/korvane");
    fs::copy_file(KORVANE_SOURCE_DIR "/fuzz/seeds/damaged-three-bytes.hlp", dir / "BAD.HLP");
    r = read("BAD.HLP", dir.path(), env(dir / "gio-only"));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(names_in(cache + "/korvane"), before);
    EXPECT_EQ(lines(dir / "gio-opened").size(), 2u);

    // A cache that cannot be created is named.
    write_file(dir / "file", "");
    r = read("A.HLP", dir.path(), {"XDG_CACHE_HOME=" + (dir / "file/cache"), "PATH=" + (dir / "gio-only")});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(has(r.err, dir / "file/cache/korvane")) << r.err;
}
