// Reads video files back with FFmpeg's own command-line tools, so recordings
// are checked by an independent reader.
#pragma once

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace qcx::test {

// Runs a shell command and returns what it printed on standard output.
inline std::string CommandOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, got);
        pclose(pipe);
    }
    return output;
}

inline bool HaveFfprobe() {
    return CommandOutput("command -v ffprobe >/dev/null && command -v ffmpeg >/dev/null && echo yes") == "yes\n";
}

// The first video stream as ffprobe sees it, frames counted by decoding:
// codec_name, width, height, pix_fmt, r_frame_rate, nb_read_frames, and
// "errors" with what ffprobe reported while decoding (empty when clean).
inline std::map<std::string, std::string> ProbeVideo(const std::string& file) {
    std::map<std::string, std::string> fields;
    const std::string out = CommandOutput(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=codec_name,width,height,pix_fmt,r_frame_rate,nb_read_frames "
        "-of default=noprint_wrappers=1 '" + file + "' 2>&1");
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos && line.find(' ') == std::string::npos)
            fields[line.substr(0, equals)] = line.substr(equals + 1);
        else if (!line.empty())
            fields["errors"] += line + "\n";
    }
    return fields;
}

// The bytes of the first frame as stored in the file (no decoding).
inline std::string FirstStoredFrame(const std::string& file) {
    return CommandOutput("ffmpeg -v error -i '" + file + "' -map 0:v:0 -c copy -frames:v 1 -f data - 2>/dev/null");
}

}  // namespace qcx::test
