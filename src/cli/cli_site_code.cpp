#include "cli_site_code.h"

namespace quillon::cli {

std::string ReadSiteCodeLine(std::istream& In) {
    std::string Line;
    std::getline(In, Line);
    if (!Line.empty() && Line.back() == '\r')
        Line.pop_back();
    return Line;
}

} // namespace quillon::cli
