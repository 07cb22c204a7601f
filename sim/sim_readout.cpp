#include "sim/sim_readout.h"

#include <algorithm>

namespace qcx {

std::vector<int> SimPairAxis::Sites() const {
    const int length = OutputLength();
    const int step = std::max(skip, 1);
    const int count = std::clamp(bin, 1, step);
    std::vector<int> sites(static_cast<std::size_t>(length) * static_cast<std::size_t>(count));
    std::size_t next = 0;
    for (int o = 0; o < length; ++o) {
        const int source = flip ? length - 1 - o : o;
        const int first = start + 2 * (source / 2) * step + source % 2;
        for (int j = 0; j < count; ++j) {
            int site = first + 2 * j;
            if (site > last) site -= (site - last + 1) / 2 * 2;
            sites[next++] = site;
        }
    }
    return sites;
}

std::uint32_t EmitLine(const std::vector<std::uint16_t>& line, bool wide, std::uint8_t* out, std::uint32_t room) {
    const std::size_t samples = line.size();
    if (!wide) {
        const auto bytes = static_cast<std::uint32_t>(std::min<std::size_t>(samples, room));
        for (std::uint32_t i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(line[i]);
        return bytes;
    }
    const auto bytes = static_cast<std::uint32_t>(std::min<std::size_t>(2 * samples, room));
    for (std::uint32_t i = 0; i + 1 < bytes; i += 2) {
        out[i] = static_cast<std::uint8_t>(line[i / 2]);
        out[i + 1] = static_cast<std::uint8_t>(line[i / 2] >> 8);
    }
    if (bytes % 2 != 0) out[bytes - 1] = static_cast<std::uint8_t>(line[bytes / 2]);  // a cut through a sample
    return bytes;
}

}  // namespace qcx
