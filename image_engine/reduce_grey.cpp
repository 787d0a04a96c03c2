// Conversion to 8-bit grey.
#include "reduce_frame.h"

namespace vantor {

int ColorGray(const uint8_t* dib, size_t size, std::vector<uint8_t>& out)
{
    using namespace reduce;
    return Reduce(dib, size, Accept::PaletteOrTrueColour, 8, DefaultColourTable(8, ColourTableKind::GreyRamp),
                  out, [](const SourceDib& src, TargetDib& dst) {
                      // With the 0-255 ramp as the table, a pixel's index is its grey level.
                      uint8_t lut[256];
                      if (src.table != nullptr)
                          GreyTable<Grey38>(src, lut);
                      for (int y = 0; y < src.height; ++y)
                          GreyRow<Grey38>(src, y, lut, dst.Row(y));
                  });
}

}  // namespace vantor
