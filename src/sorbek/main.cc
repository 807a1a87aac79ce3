// sorbek: checks TVC CAS tape images and lists their raw CRCs.
#include <string_view>

#include "driver/driver.h"
#include "platform/platform.h"
#include "tape/image_check.h"

namespace {

constexpr std::string_view kUsage[] = {
    "SORBEK  - Creating a raw CRC from a TVC .CAS file",
    "Version 1.00 Build 081117",
    "",
    "USE: sorbek [-l] inputfile [inputfile] [inputfile...]",
    "Parameters:",
    " -l: long info with additional information",
    " inputfiles are CAS files",
    "For example:",
    " sorbek -l tvc1.cas tvc2.cas",
    "OR",
    " sorbek a*.cas",
    "OR redirect output to file",
    " sorbek *.cas >list.txt",
};

void CheckCas(tvc::RunState& state, tvc::ReportStream& out) {
  tvc::CheckImage(tvc::kCasLayout, state, out);
}

}  // namespace

int main(int argc, char** argv) {
  const tvc::ToolDescription sorbek = {.name = "sorbek", .usage = kUsage, .check = CheckCas};
  return tvc::RunTool(sorbek, *tvc::Platform::Create(argc, argv));
}
