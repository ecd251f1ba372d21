#pragma once

#include <QString>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testutil {

// Root of the shared conformance data (outside the checkout).
std::filesystem::path testDataDir();
// Folder holding the built programs (tessaly-convert).
std::filesystem::path binDir();

// One line of the test data's EXPECTATIONS.tsv: a file (relative to testDataDir()), what
// a reader must do with it ('V' load it, 'B' refuse it, 'L' either), and what Pillow made
// of it (e.g. "ok GIF 128x128 frames=1").
struct Expectation {
    std::string path;
    char expect;
    std::string pillow;
};
// Every line of it, in its order.
std::vector<Expectation> readExpectations();
// What a reader must do with each file, by its path.
std::map<std::string, char> expectationsByPath();

// Little-endian fields of a file's bytes, 16 and 32 bits wide, at byte `at`.
std::uint32_t Get16(const std::vector<std::uint8_t>& bytes, std::size_t at);
std::uint32_t Get32(const std::vector<std::uint8_t>& bytes, std::size_t at);
void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);
void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);

std::vector<std::uint8_t> readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// A fresh folder removed with everything in it when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Makes a folder the current one (where relative names land) while the object lives.
class InFolder {
public:
    explicit InFolder(const std::filesystem::path& folder);
    ~InFolder();
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    std::filesystem::path old_;
};

// Every file under `dir` (relative path -> bytes; folders map to an empty entry ending in
// '/'), to compare a folder's contents.
std::map<std::string, std::vector<std::uint8_t>> Snapshot(const std::filesystem::path& dir);

// True when `text` holds `part`; for a list of lines, when one of them is `line`.
bool Contains(const std::string& text, const std::string& part);
bool Contains(const std::vector<std::string>& lines, const std::string& line);

struct CommandResult {
    int exitCode = -1;
    std::string output; // stdout and stderr together
};

// Runs a shell command line and collects what it printed.
CommandResult runCommand(const std::string& commandLine);

// True when an external program is on the PATH (or at an absolute path).
bool haveProgram(const std::string& name);

// Debian's Python, which carries Pillow (python3-pil); the first python3 on the
// PATH may be another installation without it.
std::string systemPython();

// Quotes a string for the POSIX shell.
std::string shellQuote(const std::string& text);

} // namespace testutil

// A path as the Qt text the program takes for it.
QString Q(const std::filesystem::path& path);
