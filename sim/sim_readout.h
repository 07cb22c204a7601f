// The read-out of sensors that skip and bin in Bayer pairs, as the Aptina
// megapixel chips do so that the colour order survives: which sites each
// output sample averages, and the loop that writes the frame.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace qcx {

// One axis (columns or rows) of the read-out. Output sample o belongs to pair
// k = o / 2 with parity p = o % 2 and reads the site start + 2 k skip + p;
// binning averages it with the next bin - 1 sites of its colour (+2, +4, ...).
struct SimPairAxis {
    int start = 0;      // absolute first site of the window
    int size = 1;       // window length in sites
    int skip = 1;       // skip factor, 1 = every pair
    int bin = 1;        // sites of one colour averaged, 1 ... skip
    bool flip = false;  // output order reversed
    int last = 0;       // absolute last site of the array; reads stay at or before it

    int OutputLength() const { return size / skip > 1 ? size / skip : 1; }
    // The absolute sites each output sample reads, `bin` in a row per
    // sample, in output order. A site past the array falls back by whole
    // pairs, keeping its colour.
    std::vector<int> Sites() const;
};

// Writes the samples of one output line, each as one byte or, when `wide`, as
// a little-endian 16-bit word, into at most `room` bytes of `out`; returns the
// bytes written.
std::uint32_t EmitLine(const std::vector<std::uint16_t>& line, bool wide, std::uint8_t* out, std::uint32_t room);

// Writes the first `count` bytes of the frame read along `columns` and `rows`
// into `out` and returns how many were written. `rowSampler(row)` gives, for
// one absolute row, a function from absolute column to the site's sample
// value (the per-row work is done once). The bin x bin sites of an output
// sample are averaged, rounded to nearest, halves up.
template <typename RowSampler>
std::uint32_t ReadOutPairs(const SimPairAxis& columns, const SimPairAxis& rows, bool wide, RowSampler rowSampler,
                           std::uint8_t* out, std::uint32_t count) {
    const std::vector<int> columnSites = columns.Sites();
    const std::vector<int> rowSites = rows.Sites();
    const auto width = static_cast<std::size_t>(columns.OutputLength());
    const auto height = static_cast<std::size_t>(rows.OutputLength());
    const auto columnBin = static_cast<std::size_t>(columns.bin);
    const auto rowBin = static_cast<std::size_t>(rows.bin);
    const auto block = static_cast<unsigned>(columnBin * rowBin);
    const int* columnSite = columnSites.data();

    std::vector<std::uint16_t> line(width);
    std::vector<unsigned> sums(block > 1 ? width : 0);
    std::uint32_t written = 0;
    for (std::size_t y = 0; y < height && written < count; ++y) {
        if (block == 1) {
            const auto site = rowSampler(rowSites[y]);
            for (std::size_t x = 0; x < width; ++x) line[x] = static_cast<std::uint16_t>(site(columnSite[x]));
        } else {
            std::fill(sums.begin(), sums.end(), 0u);
            for (std::size_t j = 0; j < rowBin; ++j) {
                const auto site = rowSampler(rowSites[y * rowBin + j]);
                for (std::size_t x = 0; x < width; ++x) {
                    for (std::size_t i = 0; i < columnBin; ++i) sums[x] += site(columnSite[x * columnBin + i]);
                }
            }
            for (std::size_t x = 0; x < width; ++x) line[x] = static_cast<std::uint16_t>((sums[x] + block / 2) / block);
        }
        written += EmitLine(line, wide, out + written, count - written);
    }
    return written;
}

}  // namespace qcx
