#include "tool/simcomponent/sim_config.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace pixmender {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(separator, start);
    if (end == std::string_view::npos) end = text.size();
    parts.push_back(Trim(text.substr(start, end - start)));
    start = end + 1;
  }
  return parts;
}

// Decimal, or hexadecimal after 0x; the whole text must be the number.
std::optional<int> ParseNumber(std::string_view text, int low, int high) {
  text = Trim(text);
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return std::nullopt;
  long value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return static_cast<int>(value);
}

// Printable ASCII only: the words are UTF-16 code units of plain characters.
bool IsAsciiText(std::string_view text, size_t minLength, size_t maxLength) {
  if (text.size() < minLength || text.size() > maxLength) return false;
  for (char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

void ParseIdentities(std::string_view value, SimConfig& config) {
  std::vector<std::string> identities;
  for (std::string_view entry : Split(value, ',')) {
    // A malformed entry keeps its camera's place with the default identity.
    identities.emplace_back(IsAsciiText(entry, 1, 10) ? std::string(entry) : std::string("KORVEXANDA"));
  }
  if (!identities.empty()) config.identities = std::move(identities);
}

void ParseSizes(std::string_view value, SimConfig& config) {
  std::vector<FrameSize> sizes;
  for (std::string_view entry : Split(value, ',')) {
    size_t x = entry.find_first_of("xX");
    if (x == std::string_view::npos) continue;
    auto width = ParseNumber(entry.substr(0, x), 2, 8192);
    auto height = ParseNumber(entry.substr(x + 1), 1, 8192);
    // YUY2 carries pixels in pairs: the width must be even.
    if (!width || !height || *width % 2 != 0) continue;
    sizes.push_back({*width, *height});
  }
  if (!sizes.empty()) config.sizes = std::move(sizes);
}

void ParseFaults(std::string_view value, SimConfig& config) {
  for (std::string_view fault : Split(value, ',')) {
    if (fault == "register") {
      config.failRegister = true;
    } else if (fault == "control") {
      config.failControl = true;
    } else if (fault == "stream") {
      config.failStream = true;
    } else if (fault == "open") {
      config.failOpen = true;
    } else if (fault.substr(0, 6) == "stuck=") {
      if (auto address = ParseNumber(fault.substr(6), 0, SimConfig::kEepromWords - 1)) {
        config.stuckWords.insert(*address);
      }
    }
  }
}

}  // namespace

const std::string& SimConfig::IdentityOf(int index) const {
  size_t i = index < 0 ? 0 : static_cast<size_t>(index);
  return identities[i < identities.size() ? i : identities.size() - 1];
}

SimConfig ParseSimConfig(const std::string& text) {
  SimConfig config;
  for (std::string_view item : Split(text, ';')) {
    size_t equals = item.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view key = Trim(item.substr(0, equals));
    std::string_view value = Trim(item.substr(equals + 1));
    if (key == "cameras") {
      if (auto n = ParseNumber(value, 0, SimConfig::kMaxCameras)) config.cameras = *n;
    } else if (key == "identity") {
      ParseIdentities(value, config);
    } else if (key == "base") {
      // The identity block reaches base + 63.
      if (auto n = ParseNumber(value, 0, SimConfig::kEepromWords - 64)) config.base = *n;
    } else if (key == "sizes") {
      ParseSizes(value, config);
    } else if (key == "fps") {
      if (auto n = ParseNumber(value, 1, 120)) config.fps = *n;
    } else if (key == "serial") {
      if (IsAsciiText(value, 13, 13)) config.serial = std::string(value);
    } else if (key == "sheet") {
      if (auto n = ParseNumber(value, 0, 400)) config.sheetPercent = *n;
    } else if (key == "eeprom") {
      config.eepromPath = std::string(value);
    } else if (key == "fail") {
      ParseFaults(value, config);
    }
  }
  return config;
}

}  // namespace pixmender
