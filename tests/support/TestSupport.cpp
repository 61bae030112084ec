#include "TestSupport.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "Text.h"

namespace cpuchat::test {

TempDir::TempDir() {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("cpu-chat-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(path_)) break;
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

void TempDir::write(const std::string& relative, std::string_view bytes) const {
    const auto file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write test file " + file.string());
}

std::string TempDir::read(const std::string& relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void copyDefaultData(const std::filesystem::path& to) {
    std::filesystem::copy(CPU_CHAT_DATA_DIR, to,
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
}

std::string w(std::string_view utf8) { return fromUtf8(utf8); }

std::string plainFile(const std::vector<std::string>& utf8Lines) {
    std::string out;
    for (const auto& line : utf8Lines) out += fromUtf8(line) + "\r\n";
    return out;
}

int ScriptedRandom::uniform(int a, int b) {
    draws.emplace_back(a, b);
    if (script.empty()) return a;
    const int v = script.front();
    script.pop_front();
    if (v < a || (b >= a && v > b)) throw std::logic_error("scripted draw out of range");
    return v;
}

}  // namespace cpuchat::test
