// The fuzz seeds, the inputs of earlier fuzz findings among them, go through
// the whole conversion in the fuzz target's modes (fuzz/fuzz_convert.cpp), so
// a finding that comes back fails the suite; under the sanitizer build the
// sanitizers end the test process at the first report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "driver/convert.h"
#include "driver/messages.h"
#include "driver/platform.h"
#include "helpfile/helpfile.h"
#include "support/hlp_builder.h"
#include "support/rtf_topics.h"

using namespace korvane;
using namespace korvane::test;

namespace {

struct FatalStop {};

// Ends the conversion of one input at a fatal message, as the fuzz target does.
struct StoppingPlatform : Platform {
    StoppingPlatform() { set_platform(this); }
    ~StoppingPlatform() override { set_platform(nullptr); }
    StoppingPlatform(const StoppingPlatform&) = delete;
    StoppingPlatform& operator=(const StoppingPlatform&) = delete;

    void show_fatal(std::string_view, std::string_view) override { throw FatalStop{}; }
    void open_progress() override {}
    void set_phase(std::string_view) override {}
    void set_percent(int) override {}
    void add_warning_line(std::string_view) override {}
};

// Unsets TEMP for a scope: pictures for embedding go to the working directory.
class NoTempVariable {
public:
    NoTempVariable() {
        if (const char* old = std::getenv("TEMP")) previous_ = old;
        ::unsetenv("TEMP");
    }
    ~NoTempVariable() {
        if (previous_) ::setenv("TEMP", previous_->c_str(), 1);
    }
    NoTempVariable(const NoTempVariable&) = delete;
    NoTempVariable& operator=(const NoTempVariable&) = delete;

private:
    std::optional<std::string> previous_;
};

}  // namespace

TEST(FuzzSeeds, EverySeedConvertsInTheFuzzModes) {
    std::vector<std::filesystem::path> seeds;
    for (const auto& e : std::filesystem::recursive_directory_iterator(KORVANE_SOURCE_DIR "/fuzz/seeds")) {
        if (e.is_regular_file()) seeds.push_back(e.path());
    }
    std::sort(seeds.begin(), seeds.end());
    ASSERT_FALSE(seeds.empty()) << "fuzz/seeds is missing";
    EXPECT_TRUE(std::any_of(seeds.begin(), seeds.end(),
                            [](const auto& p) { return p.filename().string().starts_with("finding-"); }))
        << "the regression inputs of the fuzz findings are missing from fuzz/seeds";

    StoppingPlatform platform;
    NoTempVariable no_temp;
    for (const auto& seed : seeds) {
        for (int flags : {CVF_JUMPS | CVF_PAGE_BREAK | CVF_TWO_PASS,
                          CVF_NO_SHG | CVF_EMBED_PICTURES | CVF_FOR_PRINT | CVF_JUMPS}) {
            SCOPED_TRACE(seed.filename().string() + " flags " + std::to_string(flags));
            TempDir dir;
            std::filesystem::copy_file(seed, dir / "F.HLP");
            WorkingDirectory cwd(dir.path());
            try {
                convert_help_file("F.HLP", flags);
            } catch (const FatalStop&) {
            }
        }
    }
}
