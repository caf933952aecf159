#include "platform/SerialDevices.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>
#include <set>

#include "number/NumberText.h"

namespace fs = std::filesystem;

namespace voran {

namespace {

// The number at the end of a device name ("ttyS12" -> 12), for sorting.
long trailingNumber(const std::string& name) {
    std::size_t i = name.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(name[i - 1]))) --i;
    return static_cast<long>(DigitsValue(std::string_view(name).substr(i), 8).value_or(-1));
}

// Names in `folder` that start with one of `prefixes`, by kind then number.
std::vector<std::string> devicesIn(const fs::path& folder, std::vector<std::string> prefixes) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        for (const std::string& p : prefixes)
            if (name.size() > p.size() && name.rfind(p, 0) == 0 && trailingNumber(name) >= 0 &&
                name.size() - p.size() == std::to_string(trailingNumber(name)).size())
                names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string ka = a.substr(0, a.size() - std::to_string(trailingNumber(a)).size());
        const std::string kb = b.substr(0, b.size() - std::to_string(trailingNumber(b)).size());
        return ka != kb ? ka < kb : trailingNumber(a) < trailingNumber(b);
    });
    return names;
}

}  // namespace

std::string ByIdDescription(const std::string& name) {
    // usb-<maker>_<product>_<serial>-if<nn>[-port<n>]
    static const std::regex kById(
        R"(^(?:usb|pci|platform)-(.*?)(?:-if[0-9A-Fa-f]+)?(?:-port[0-9]+)?$)");
    std::smatch m;
    std::string words = std::regex_match(name, m, kById) ? m[1].str() : name;
    std::string serial;
    const std::size_t last = words.rfind('_');
    if (last != std::string::npos && last + 1 < words.size()) {
        serial = words.substr(last + 1);
        words = words.substr(0, last);
    }
    // Blanks are written as '_' in these names: one blank for each run.
    std::string text;
    for (char c : words) {
        if (c == '_') c = ' ';
        if (c == ' ' && (text.empty() || text.back() == ' ')) continue;
        text += c;
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    words = text;
    return serial.empty() ? words : words + ", serial " + serial;
}

std::vector<FoundDevice> FindSerialDevices(const std::string& root) {
    std::vector<FoundDevice> found;
    const fs::path dev = fs::path(root) / "dev";
    std::set<std::string> named;  // devices reached through a by-id name
    std::vector<std::pair<std::string, std::string>> byId;
    std::error_code ec;
    for (fs::directory_iterator it(dev / "serial/by-id", ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code lec;
        const fs::path target = fs::read_symlink(it->path(), lec);
        const std::string kernel = lec ? std::string() : target.filename().string();
        if (!kernel.empty()) named.insert(kernel);
        byId.emplace_back(name, kernel);
    }
    std::sort(byId.begin(), byId.end());
    for (const auto& [name, kernel] : byId)
        found.push_back({"/dev/serial/by-id/" + name,
                         ByIdDescription(name) + (kernel.empty() ? "" : " (" + kernel + ")")});
    for (const std::string& name : devicesIn(dev, {"ttyUSB", "ttyACM"}))
        if (!named.count(name)) found.push_back({"/dev/" + name, "USB serial adapter"});
    for (const std::string& name : devicesIn(dev, {"ttyS"}))
        found.push_back(
            {"/dev/" + name, "serial port COM" + std::to_string(trailingNumber(name) + 1)});
    return found;
}

}  // namespace voran
