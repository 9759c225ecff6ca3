#include "dialog_filter.h"

#include "platform/files.h"

namespace quillon {

namespace {
std::vector<std::string> Split(std::string_view Text, char Separator) {
    std::vector<std::string> Parts;
    size_t Start = 0;
    for (;;) {
        const size_t End = Text.find(Separator, Start);
        Parts.emplace_back(Text.substr(Start, End - Start));
        if (End == std::string_view::npos)
            return Parts;
        Start = End + 1;
    }
}
} // namespace

std::vector<TFilterPair> ParseDialogFilter(std::string_view Filter) {
    std::vector<TFilterPair> Pairs;
    if (Filter.empty())
        return Pairs;
    const std::vector<std::string> Fields = Split(Filter, '|');
    for (size_t I = 0; I + 1 < Fields.size(); I += 2) {
        TFilterPair Pair{Fields[I], {}};
        for (std::string& Pattern : Split(Fields[I + 1], ';'))
            if (!Pattern.empty())
                Pair.Patterns.push_back(std::move(Pattern));
        Pairs.push_back(std::move(Pair));
    }
    return Pairs;
}

std::string ToolkitNameFilter(const TFilterPair& Pair) {
    std::string Out = Pair.Label + " (";
    for (size_t I = 0; I < Pair.Patterns.size(); ++I) {
        if (I > 0)
            Out += ' ';
        Out += Pair.Patterns[I];
    }
    return Out + ")";
}

bool IsPreviewedPicture(std::string_view Path) {
    const std::string Ext = ExtractFileExt(Path);
    return SameTextAscii(Ext, ".jpg") || SameTextAscii(Ext, ".jpeg");
}

} // namespace quillon
