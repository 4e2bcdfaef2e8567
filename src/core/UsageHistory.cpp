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
    size_t start = 0;
    while (start < fileBytes.size()) {
        size_t lf = fileBytes.find('\n', start);
        if (lf == std::string_view::npos) lf = fileBytes.size();
        std::string_view line = fileBytes.substr(start, lf - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        auto fields = SplitHistoryLine(line);
        if (!fields.empty()) records_.push_back({std::move(fields)});
        start = lf + 1;
    }
}

void UsageHistory::Append(UsageRecord record) { records_.push_back(std::move(record)); }

std::string UsageHistory::Serialize() const {
    const size_t settled = records_.empty() ? 0 : records_.size() - 1;
    if (prefixCount_ > settled) {
        prefix_.clear();
        prefixCount_ = 0;
    }
    for (; prefixCount_ < settled; ++prefixCount_) {
        prefix_ += JoinHistoryLine(records_[prefixCount_]);
        prefix_ += "\r\n";
    }
    std::string out = prefix_;
    if (!records_.empty()) {
        out += JoinHistoryLine(records_.back());
        out += "\r\n";
    }
    return out;
}

}  // namespace kelo
