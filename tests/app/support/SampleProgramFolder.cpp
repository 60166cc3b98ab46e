// The app tests run as if they were the brelk beside the sample data: its
// language texts and catalog are what a started client shows.
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class SampleProgramFolder : public ::testing::Environment {
public:
    void SetUp() override { ::setenv("BRELK_PROGRAM_DIR", BRELK_SAMPLE_BIN, 1); }
};

[[maybe_unused]] ::testing::Environment* const g_sampleFolder =
    ::testing::AddGlobalTestEnvironment(new SampleProgramFolder);

} // namespace
