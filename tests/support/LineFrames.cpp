#include "tests/support/LineFrames.h"

namespace tulex::test {

std::vector<LineFrame> SplitFrames(std::string_view written) {
    std::vector<LineFrame> frames;
    std::size_t at = 0;
    for (;;) {
        const auto start = written.find('\xFF', at);
        if (start == std::string_view::npos) return frames;
        std::size_t i = start;
        while (i < written.size() && written[i] == '\xFF') ++i;
        if (written.size() < i + 2) return frames;
        LineFrame frame;
        frame.index = static_cast<std::uint8_t>(written[i]);
        std::size_t end = 0;
        if (written[i + 1] == '?') {
            frame.kind = LineFrame::Kind::Short;
            end = i + 2;
        } else {
            const auto q = written.find('?', i + 2);
            if (q == std::string_view::npos || q + 1 >= written.size()) return frames;  // check character to come
            frame.kind = LineFrame::Kind::Request;
            frame.command = std::string(written.substr(i + 2, q - (i + 2)));
            end = q + 2;
        }
        frame.bytes = std::string(written.substr(start, end - start));
        frames.push_back(std::move(frame));
        at = end;
    }
}

std::vector<LineFrame> Requests(std::string_view written) {
    std::vector<LineFrame> out;
    for (auto& f : SplitFrames(written))
        if (f.kind == LineFrame::Kind::Request) out.push_back(std::move(f));
    return out;
}

std::string Request(std::uint8_t index, const std::string& command) {
    std::string frame = "\xFF\xFF\xFF\xFF";
    frame += static_cast<char>(index);
    frame += static_cast<char>(index);
    frame += command;
    frame += '?';
    std::uint8_t check = 0;
    for (const char c : frame) check ^= static_cast<std::uint8_t>(c);
    frame += static_cast<char>(check);
    return frame;
}

std::string FoldClearPasses(std::string bytes) {
    constexpr std::size_t kPass = 6;  // FF FD ? FF index ?
    const auto isPass = [&](std::size_t at) {
        return at + kPass <= bytes.size() && bytes.compare(at, kClear.size(), kClear) == 0 &&
               static_cast<unsigned char>(bytes[at + 3]) == 0xFF && bytes[at + 5] == '?';
    };
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        if (!isPass(at)) continue;
        while (isPass(at + kPass) && bytes.compare(at, kPass, bytes, at + kPass, kPass) == 0)
            bytes.erase(at + kPass, kPass);
        at += kPass - 1;
    }
    return bytes;
}

std::vector<std::string> FoldClearPassLines(std::vector<std::string> lines) {
    const auto endsWith = [](const std::string& s, const std::string& tail) {
        return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
    };
    const auto isPass = [&](std::size_t at) {
        return at + 1 < lines.size() && endsWith(lines[at], "Чистка буфера контроллера") &&
               endsWith(lines[at + 1], "Запрос контроллера");
    };
    for (std::size_t at = 0; at < lines.size(); ++at) {
        if (!isPass(at)) continue;
        while (isPass(at + 2) && lines[at] == lines[at + 2] && lines[at + 1] == lines[at + 3])
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at + 2),
                        lines.begin() + static_cast<std::ptrdiff_t>(at + 4));
        ++at;
    }
    return lines;
}

}  // namespace tulex::test
