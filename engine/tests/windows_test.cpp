// What only Windows does to the engine: result names in the 8-bit code page
// of the machine, and a result file that another program holds open.
#include "geometry.h"
#include "history.h"
#include "result.h"
#include "run.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <streambuf>
#include <thread>

using namespace quenro;
using enginetest::jobText;
using enginetest::recordsOf;
using enginetest::WorkFolder;
namespace fs = std::filesystem;

namespace {

// A wide text in this machine's 8-bit code page; nothing when it cannot hold it.
std::optional<std::string> inCodePage(const std::wstring& text) {
    BOOL usedDefault = FALSE;
    const int length =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(),
                            static_cast<int>(text.size()), nullptr, 0, nullptr, &usedDefault);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                        bytes.data(), length, nullptr, &usedDefault);
    if (usedDefault || length <= 0)
        return std::nullopt;
    return bytes;
}

// Keyboard input for the engine: Enter whenever it asks; the second time it
// asks, `onSecondLine` runs first.
class Keyboard : public std::streambuf {
public:
    explicit Keyboard(std::function<void()> onSecondLine, int lines = 100)
        : onSecondLine_(std::move(onSecondLine)), lines_(lines) {}

protected:
    int_type underflow() override {
        if (++asked_ > lines_)
            return traits_type::eof();
        if (asked_ == 2 && onSecondLine_)
            onSecondLine_();
        setg(&enter_, &enter_, &enter_ + 1);
        return traits_type::to_int_type(enter_);
    }

private:
    std::function<void()> onSecondLine_;
    int lines_;
    int asked_ = 0;
    char enter_ = '\n';
};

// hold_file.exe holding `file` open until `release` is called.
class FileHolder {
public:
    FileHolder(const fs::path& file, const fs::path& folder)
        : held_(folder / "held.flag"), release_(folder / "release.flag") {
        std::wstring command = L"\"" + fs::path(HOLD_FILE_PROGRAM).wstring() + L"\" \"" +
                               file.wstring() + L"\" \"" + held_.wstring() + L"\" \"" +
                               release_.wstring() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &process_);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (started_ && !fs::exists(held_) && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ~FileHolder() {
        release();
        if (started_) {
            WaitForSingleObject(process_.hProcess, 30000);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
    }
    bool holding() const { return started_ && fs::exists(held_); }
    void release() {
        std::ofstream(release_) << "go\n";
        if (started_)
            WaitForSingleObject(process_.hProcess, 30000);
    }

private:
    fs::path held_, release_;
    PROCESS_INFORMATION process_{};
    BOOL started_ = FALSE;
};

} // namespace

TEST(WindowsNames, AJapaneseResultNameInTheCodePageIsWrittenUnderThatName) {
    const std::wstring name = L"透視室A.data";
    const std::optional<std::string> bytes = inCodePage(name);
    if (!bytes)
        GTEST_SKIP() << "this machine's code page (" << GetACP() << ") cannot hold the name";
    WorkFolder folder;
    folder.write("B2F.txt", jobText("1.0E-02", "90.0", "20.0", "20.0", "1.000E+04", *bytes));
    const enginetest::ProgramRun run =
        enginetest::runProgram(enginetest::engineProgram(), folder.path(), "\n\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(folder.path() / name)) << folder.listing();
    EXPECT_TRUE(fs::exists(folder.path() / (name + L".unc"))) << folder.listing();
}

TEST(WindowsNames, ANameNotOfTheCodePageIsRefusedBeforeTheRun) {
    // 0x81 0x20 is a lead byte followed by a byte no code page 932 character
    // has; on a single-byte code page every byte is text, and the name passes.
    if (GetACP() != 932)
        GTEST_SKIP() << "code page " << GetACP();
    WorkFolder folder;
    folder.write("B2F.txt", jobText("1.0E-02", "90.0", "20.0", "20.0", "1.000E+04",
                                    std::string("bad\x81\x01.data")));
    const enginetest::ProgramRun run =
        enginetest::runProgram(enginetest::engineProgram(), folder.path(), "\n\n");
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("B2F.txt, line 6"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("Monte Carlo"), std::string::npos);
}

TEST(WindowsHeldFile, AResultHeldOpenIsKeptUntilTheHolderLetsGo) {
    struct Case {
        bool released; // the holder lets go when the engine asks; otherwise input ends
    };
    for (const Case c : {Case{true}, Case{false}}) {
        WorkFolder folder;
        folder.write("B2F.txt", jobText("1.0E-02", "90.0", "20.0", "20.0", "1.000E+04", "r.data"));
        folder.write("r.data", "older result\r\n");
        FileHolder holder(folder.file("r.data"), folder.path());
        ASSERT_TRUE(holder.holding());
        Keyboard keys(
            [&] {
                if (c.released)
                    holder.release();
            },
            c.released ? 100 : 1);
        std::istream in(&keys);
        std::ostringstream out, err;
        RunOptions options;
        const int status = runEngine(in, out, err, folder.path(), options);
        holder.release();
        EXPECT_NE(err.str().find("press Enter to try again"), std::string::npos) << err.str();
        std::vector<fs::path> temporaries;
        for (const auto& entry : fs::directory_iterator(folder.path()))
            if (entry.path().extension() == ".tmp")
                temporaries.push_back(entry.path());
        if (c.released) {
            EXPECT_EQ(status, 0) << err.str();
            EXPECT_EQ(recordsOf(folder.read("r.data")).size(), std::size_t(resultFileLines));
            EXPECT_TRUE(temporaries.empty());
        } else {
            // Input ended: the older file stays and the result waits in the
            // temporary file the message names.
            EXPECT_NE(status, 0);
            EXPECT_EQ(folder.read("r.data"), "older result\r\n");
            ASSERT_EQ(temporaries.size(), 1u) << folder.listing();
            EXPECT_NE(err.str().find(temporaries.front().filename().string()), std::string::npos)
                << err.str();
            EXPECT_EQ(recordsOf(enginetest::readFile(temporaries.front())).size(),
                      std::size_t(resultFileLines));
        }
    }
}
