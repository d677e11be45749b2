#include "image/dib_failure.h"

std::string dibFailureText(DibFailure failure, const char* path) {
  switch (failure) {
    case DibFailure::none:
      return "";
    case DibFailure::cannotOpen:
      return std::string("Failed to open DIB file ") + path + ".\n";
    case DibFailure::headersCut:
    case DibFailure::unknownHeaderSize:
    case DibFailure::tableCut:
      return "Unknown DIB file format.";
    case DibFailure::noPixels:
    case DibFailure::unsupportedForm:
    case DibFailure::topDownRunLength:
    case DibFailure::bitsCut:
    case DibFailure::streamBroken:
      return "Image file conversion error.";
    case DibFailure::fileTooLarge:
    case DibFailure::noMemoryForFile:
    case DibFailure::noMemoryForTable:
    case DibFailure::sideTooLong:
    case DibFailure::noMemoryForRendering:
    case DibFailure::noMemoryForImage:
      break;
  }
  return "Out of memory.";
}
