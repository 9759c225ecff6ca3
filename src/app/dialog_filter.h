// Open-file dialog filters written as "label|patterns|label|patterns", with
// the patterns of one pair separated by semicolons.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

inline constexpr const char* PictureDialogFilter =
    "JPEG Image File (*.jpg;*.jpeg)|*.jpg;*.jpeg|AVI Movie File(*.avi)|*.avi";

struct TFilterPair {
    std::string Label;
    std::vector<std::string> Patterns;
};

// A trailing label without patterns is dropped.
std::vector<TFilterPair> ParseDialogFilter(std::string_view Filter);

// "label (p1 p2)": the form in which a toolkit that splits patterns on blanks
// finds the patterns behind the label, whatever parentheses the label holds.
std::string ToolkitNameFilter(const TFilterPair& Pair);

// True for the files the dialog previews: extension "jpg" or "jpeg", any case.
bool IsPreviewedPicture(std::string_view Path);

} // namespace quillon
