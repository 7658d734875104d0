#pragma once
// A fresh folder under the system's temporary folder, removed afterwards.

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace test_support {

class CScratchFolder {
public:
    CScratchFolder()
    {
        static int counter = 0;
        path = std::filesystem::temp_directory_path() /
               ("framira_test_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~CScratchFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    std::string operator/(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

} // namespace test_support
