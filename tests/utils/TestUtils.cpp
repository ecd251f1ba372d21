#include "utils/TestUtils.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace testutil {

// Without the shared data, one line; outside CI ctest then counts the test as skipped.
std::filesystem::path testDataDir() {
    [[maybe_unused]] static const bool missing = [] {
        if (std::filesystem::is_directory(TESSALY_TESTDATA_DIR)) return false;
        std::fprintf(stderr, "%s: no folder %s beside the checkout\n",
                     std::getenv("CI") ? "CI: shared test data absent"
                                       : "Skipped: test data missing",
                     TESSALY_TESTDATA_DIR);
        return true;
    }();
    return TESSALY_TESTDATA_DIR;
}

std::filesystem::path binDir() {
    return TESSALY_BIN_DIR;
}

std::uint32_t Get16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | static_cast<std::uint32_t>(bytes[at + 1]) << 8;
}

std::uint32_t Get32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return Get16(bytes, at) | Get16(bytes, at + 2) << 16;
}

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    Put16(bytes, at, value & 0xFFFF);
    Put16(bytes, at + 2, value >> 16);
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

TempDir::TempDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("tessaly-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    // Restore write permission on anything a test locked, so it can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

InFolder::InFolder(const std::filesystem::path& folder) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
}

InFolder::~InFolder() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
}

std::map<std::string, std::vector<std::uint8_t>> Snapshot(const std::filesystem::path& dir) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        const std::string name = entry.path().lexically_relative(dir).string();
        if (entry.is_directory())
            files[name + "/"] = {};
        else
            files[name] = readFile(entry.path());
    }
    return files;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::map<std::string, char> expectationsByPath() {
    std::map<std::string, char> byPath;
    for (const Expectation& entry : readExpectations())
        byPath[entry.path] = entry.expect;
    return byPath;
}

CommandResult runCommand(const std::string& commandLine) {
    CommandResult result;
    std::string full = commandLine + " 2>&1";
    FILE* pipe = popen(full.c_str(), "r");
    if (!pipe) return result;
    std::array<char, 4096> buffer{};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), n);
    int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool haveProgram(const std::string& name) {
    return runCommand("command -v " + shellQuote(name) + " >/dev/null").exitCode == 0;
}

std::string systemPython() {
    if (std::filesystem::exists("/usr/bin/python3")) return "/usr/bin/python3";
    return "python3";
}

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    quoted += "'";
    return quoted;
}

std::vector<Expectation> readExpectations() {
    std::vector<Expectation> list;
    std::ifstream in(testDataDir() / "EXPECTATIONS.tsv");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string path, expect, bytes, pillow;
        std::getline(fields, path, '\t');
        std::getline(fields, expect, '\t');
        std::getline(fields, bytes, '\t');
        std::getline(fields, pillow, '\t');
        if (!expect.empty()) list.push_back({path, expect[0], pillow});
    }
    return list;
}

} // namespace testutil

QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}
