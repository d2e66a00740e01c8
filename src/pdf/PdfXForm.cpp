#include "pdf/PdfXForm.h"

void CombineXFORMs(const TPdfXForm& a, const TPdfXForm& b, TPdfXForm& result)
{
    const double a11 = a.eM11, a12 = a.eM12, a21 = a.eM21, a22 = a.eM22, adx = a.eDx, ady = a.eDy;
    const double b11 = b.eM11, b12 = b.eM12, b21 = b.eM21, b22 = b.eM22, bdx = b.eDx, bdy = b.eDy;
    // Computed in doubles first: result may be a or b.
    result =
        TPdfXForm{static_cast<float>(a11 * b11 + a12 * b21),       static_cast<float>(a11 * b12 + a12 * b22),
                  static_cast<float>(a21 * b11 + a22 * b21),       static_cast<float>(a21 * b12 + a22 * b22),
                  static_cast<float>(adx * b11 + ady * b21 + bdx), static_cast<float>(adx * b12 + ady * b22 + bdy)};
}
