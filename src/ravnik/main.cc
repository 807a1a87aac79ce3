// ravnik: checks TVC TTP tape images and lists their raw CRCs.
#include <string_view>

#include "driver/driver.h"
#include "platform/platform.h"
#include "tape/image_check.h"

namespace {

constexpr std::string_view kUsage[] = {
    "RAVNIK  - Creating a raw CRC from a TVC .TTP file",
    "Version 1.0 Build 081127",
    "",
    "USE: ravnik [-l] inputfile [inputfile] [inputfile...]",
    "Parameters:",
    " -l: long info with additional information",
    " inputfiles are TTP files",
    "For example:",
    " ravnik -l tvc1.ttp tvc2.ttp",
    "OR",
    " ravnik a*.ttp",
    "OR redirect output to file",
    " ravnik *.ttp >list.txt",
};

void CheckTtp(tvc::RunState& state, tvc::ReportStream& out) {
  tvc::CheckImage(tvc::kTtpLayout, state, out);
}

}  // namespace

int main(int argc, char** argv) {
  const tvc::ToolDescription ravnik = {.name = "ravnik", .usage = kUsage, .check = CheckTtp};
  return tvc::RunTool(ravnik, *tvc::Platform::Create(argc, argv));
}
