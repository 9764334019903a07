// Holds a file open as a viewer or a spreadsheet does on Windows (sharing
// reading and writing, not deletion, so the file cannot be replaced), until a
// release file appears or a minute has passed.
//   hold_file <file> <held flag to create> <release flag to wait for>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4)
        return 2;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    std::ofstream(std::filesystem::path(argv[2])) << "held\n";
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!std::filesystem::exists(argv[3]) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    CloseHandle(file);
    return 0;
}
