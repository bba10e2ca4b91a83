// The catalogue accessor: image 0 is the file image, images 1 to 12 the generated constant
// images (catalogue/uFwImage.h).
#include "catalogue/uFWVersions.h"

#include "catalogue/uFwImage.h"

std::int32_t gnFwIndex = -1;
TBl3FileHeader grFwFileHeader;
std::vector<std::string> gslFwFileLines;

namespace {

void CarriedHeader(const TCarriedImage& rImage, TBl3FileHeader& header) {
  header.tarv_class = rImage.nClass;
  header.tarv_verH = rImage.nVerH;
  header.tarv_verL = rImage.nVerL;
  header.tarv_platform = rImage.nPlatform;
  header.tarv_print = rImage.nPrint;
  header.tarv_date = rImage.pDate;
  header.tarv_bl = rImage.nBl;
  header.tarv_bl_ver = rImage.nBlVer;
}

bool FileImageAccess(std::int32_t request, std::int32_t line, TBl3FileHeader& header,
                     std::int32_t& last, std::string& text) {
  switch (request) {
  case cFW_HEADER:
    header = grFwFileHeader;
    return true;
  case cFW_LAST_LINE:
    last = static_cast<std::int32_t>(gslFwFileLines.size()) - 1;
    return true;
  case cFW_LINE:
    // A line outside the list raises std::out_of_range; no caller asks for one.
    text = gslFwFileLines.at(static_cast<std::size_t>(line));
    return true;
  default:
    return false;
  }
}

bool CarriedImageAccess(const TCarriedImage& rImage, std::int32_t request, std::int32_t line,
                        TBl3FileHeader& header, std::int32_t& last, std::string& text) {
  switch (request) {
  case cFW_HEADER:
    CarriedHeader(rImage, header);
    return true;
  case cFW_LAST_LINE:
    last = rImage.nLineCount - 1;
    return true;
  case cFW_LINE:
    // A line outside the image reads as empty text.
    if (line >= 0 && line < rImage.nLineCount) text = rImage.apLines[line];
    return true;
  default:
    return false;
  }
}

} // namespace

bool FwAccess(std::int32_t index, std::int32_t request, std::int32_t line, TBl3FileHeader& header,
              std::int32_t& last, std::string& text) {
  header.tarv_class = cUNKNOWN;
  header.tarv_platform = cUNKNOWN;
  header.tarv_print = cUNKNOWN;
  last = 0;
  text.clear();
  if (index < 0 || index > cFW_CARRIED_COUNT) return false;
  if (index == 0) return FileImageAccess(request, line, header, last, text);
  return CarriedImageAccess(*cFW_CARRIED_IMAGES[index - 1], request, line, header, last, text);
}

void GetFwHeader(std::int32_t index, TBl3FileHeader& header) {
  TBl3FileHeader rHeader;
  std::int32_t nLast = 0;
  std::string sText;
  FwAccess(index, cFW_HEADER, 0, rHeader, nLast, sText);
  header = rHeader;
}

std::int32_t GetFwLastLine() {
  TBl3FileHeader rHeader;
  std::int32_t nLast = 0;
  std::string sText;
  FwAccess(gnFwIndex, cFW_LAST_LINE, 0, rHeader, nLast, sText);
  return nLast;
}

void GetFwLine(std::int32_t j, std::string& text) {
  TBl3FileHeader rHeader;
  std::int32_t nLast = 0;
  FwAccess(gnFwIndex, cFW_LINE, j, rHeader, nLast, text);
}

std::int32_t GetFwCount() {
  return cFW_CARRIED_COUNT;
}
