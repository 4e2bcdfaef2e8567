#include "core/UsageHistory.h"

#include <algorithm>

namespace kelo {

namespace {
constexpr char kBel = '\x07';
}

std::vector<std::string> SplitHistoryLine(std::string_view line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t bel = line.find(kBel); bel != std::string_view::npos;
         bel = line.find(kBel, start)) {
        fields.emplace_back(line.substr(start, bel - start));
        start = bel + 1;
    }
    if (start < line.size()) fields.emplace_back(line.substr(start));
    return fields;
}

std::string JoinHistoryLine(const UsageRecord& record) {
    std::string line;
    const size_t count = std::max<size_t>(record.fields.size(), kRecordFields);
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) line += kBel;
        if (i < record.fields.size()) line += record.fields[i];
    }
    return line;
}

void UsageHistory::Load(std::string_view fileBytes) {
    loaded_.assign(fileBytes);
    lines_.clear();
    prefix_.clear();
    prefixCount_ = 0;
    size_t start = 0;
    while (start < loaded_.size()) {
        size_t lf = loaded_.find('\n', start);
        if (lf == std::string::npos) lf = loaded_.size();
        size_t end = lf;
        if (end > start && loaded_[end - 1] == '\r') --end;
        if (end > start) lines_.emplace_back(start, end - start);
        start = lf + 1;
    }
}

void UsageHistory::Append(UsageRecord record) { appended_.push_back(std::move(record)); }

UsageRecord UsageHistory::At(size_t i) const {
    if (i < lines_.size()) {
        const auto [offset, length] = lines_[i];
        return {SplitHistoryLine(std::string_view(loaded_).substr(offset, length))};
    }
    return appended_[i - lines_.size()];
}

std::string UsageHistory::LineOf(size_t i) const {
    if (i < lines_.size()) {
        const auto [offset, length] = lines_[i];
        const std::string_view line = std::string_view(loaded_).substr(offset, length);
        // A line of six or more fields goes back as it came; a shorter one is padded.
        // An empty text after the last BEL is no field.
        const auto bels = static_cast<size_t>(std::count(line.begin(), line.end(), '\x07'));
        const size_t fields = bels + (line.back() != '\x07' ? 1 : 0);
        if (fields >= static_cast<size_t>(kRecordFields)) return std::string(line);
        return JoinHistoryLine({SplitHistoryLine(line)});
    }
    return JoinHistoryLine(appended_[i - lines_.size()]);
}

std::string UsageHistory::Serialize() const {
    const size_t count = Size();
    const size_t settled = count == 0 ? 0 : count - 1;
    if (prefixCount_ > settled) {
        prefix_.clear();
        prefixCount_ = 0;
    }
    for (; prefixCount_ < settled; ++prefixCount_) {
        prefix_ += LineOf(prefixCount_);
        prefix_ += "\r\n";
    }
    std::string out;
    out.reserve(prefix_.size() + 128);
    out = prefix_;
    if (count > 0) {
        out += LineOf(count - 1);
        out += "\r\n";
    }
    return out;
}

}  // namespace kelo
