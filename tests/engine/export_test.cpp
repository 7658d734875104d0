// What libFramira.so shows the world: the seven entry points, the kernel
// level's name and the framework classes, nothing of the internals. Loads the
// built library file.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The engine instance lives as long as the library: keep it mapped so its
        // memory stays reachable after dlclose.
        library = dlopen(FRAMIRA_ENGINE_LIBRARY, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        ASSERT_NE(library, nullptr) << dlerror();
    }
    void TearDown() override
    {
        if (library != nullptr) {
            dlclose(library);
        }
    }
    void* library = nullptr;
};

TEST_F(ExportTest, EntryPointsAreExportedUndecorated)
{
    for (const char* name : {"Specklo_Version", "Specklo_Init", "Specklo_Allocate", "Specklo_Detect",
                             "Specklo_CreateMap", "Framira_Run", "Specklo_End", "Framira_KernelLevel",
                             "Framira_Prepare", "Framira_ReleaseMemory", "Framira_RunRows"}) {
        EXPECT_NE(dlsym(library, name), nullptr) << name;
    }
}

// The level is named whatever it is, and a level asked for in the environment
// (as the portable run of these tests does) is the one in use, the portable
// one being on every processor.
TEST_F(ExportTest, KernelLevelIsNamed)
{
    using LevelFunction = const char* (*)();
    const auto level = reinterpret_cast<LevelFunction>(dlsym(library, "Framira_KernelLevel"));
    ASSERT_NE(level, nullptr);
    const std::string name = level();
    EXPECT_TRUE(name == "baseline" || name == "avx2" || name == "avx512") << name;
    const char* requested = std::getenv("FRAMIRA_SIMD");
    if (requested != nullptr && std::string(requested) == "baseline") {
        EXPECT_EQ(name, "baseline");
    }
}

TEST_F(ExportTest, FrameworkClassesAreExportedInternalsAreNot)
{
    // CARect::width() const, CFrameMakerAutoAlgorithm::Process, the engine's vtable.
    EXPECT_NE(dlsym(library, "_ZNK6CARect5widthEv"), nullptr);
    EXPECT_NE(dlsym(library, "_ZN24CFrameMakerAutoAlgorithm7ProcessER6CARectS1_13CAProcessType"), nullptr);
    EXPECT_NE(dlsym(library, "_ZTV21CFrameMakerAutoEngine"), nullptr);
    // framira::BuildKernelTable(float*), ResamplePlanes<unsigned char>, the host bits.
    EXPECT_EQ(dlsym(library, "_ZN7framira16BuildKernelTableEPf"), nullptr);
    EXPECT_EQ(dlsym(library, "_ZN7framira14ResamplePlanesIhEEiPKPKT_iiPKPS1_iiffi"), nullptr);
    EXPECT_EQ(dlsym(library, "_ZN7framira16SetHostSampleBitsEi"), nullptr);
    // The frame maker's in-place analysis and the worker pool's thread count.
    EXPECT_EQ(dlsym(library, "_ZN24CFrameMakerAutoAlgorithm14AnalyzeInPlaceEPKhii"), nullptr);
    EXPECT_EQ(dlsym(library, "_ZN7framira18SetWorkThreadCountEi"), nullptr);
}

TEST_F(ExportTest, FramesThroughTheSharedLibrary)
{
    using InitFunction = int32_t (*)(int32_t, int32_t, int32_t);
    using RunFunction = int32_t (*)(void*, unsigned char*, float, int32_t, int32_t, int32_t, float, const void*,
                                    int32_t, int32_t, int32_t);
    const auto init = reinterpret_cast<InitFunction>(dlsym(library, "Specklo_Init"));
    const auto run = reinterpret_cast<RunFunction>(dlsym(library, "Framira_Run"));
    ASSERT_NE(init, nullptr);
    ASSERT_NE(run, nullptr);
    std::vector<uint8_t> picture(16 * 8 * 3, 90);
    std::vector<uint8_t> output(64 * 48 * 3);
    // The library's engine is its own, apart from the one the other tests
    // link in, and nothing has created it yet.
    EXPECT_EQ(run(picture.data(), output.data(), 1.75f, 8, 16, 8, 1.0f, nullptr, 0, 64, 48), -1);
    ASSERT_EQ(init(16, 8, 12), 0);
    EXPECT_EQ(run(picture.data(), output.data(), 1.75f, 8, 16, 8, 1.0f, nullptr, 0, 64, 48), 0);
}

} // namespace
