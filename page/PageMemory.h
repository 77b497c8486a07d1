// SPDX-License-Identifier: Apache-2.0
// PageMemory: the large buffers of a page (its pixels, the dot bitmap of a
// grey page and the page body), kept from one page of a job to the next.
// Each grows when a page needs more and is never shrunk, so after the first
// page a page of the same size touches no new memory (no page faults, no
// zero fill by the system).
#ifndef RIDEVEDUDARUZO_PAGE_PAGEMEMORY_H
#define RIDEVEDUDARUZO_PAGE_PAGEMEMORY_H

#include <cstddef>
#include <memory>
#include <vector>

#include "escp/BodyBytes.h"

class PageMemory {
public:
    // Room for a page's pixels, `bytes` of undefined contents; null when
    // memory runs out.
    unsigned char* Pixels(std::size_t bytes) { return Grow(pixels, pixelBytes, bytes); }
    // Room for the dot bitmap of a grey page, `bytes` of undefined
    // contents; null when memory runs out.
    unsigned char* Dots(std::size_t bytes) { return Grow(dots, dotBytes, bytes); }
    // The page body's storage, lent to the encoder while a page is encoded
    // and taken back afterwards (its capacity stays).
    BodyBytes& Body() { return body; }

private:
    // Makes `buffer` hold at least `bytes`; its contents are not kept.
    static unsigned char* Grow(std::unique_ptr<unsigned char[]>& buffer, std::size_t& size,
                               std::size_t bytes);

    std::unique_ptr<unsigned char[]> pixels;
    std::size_t pixelBytes = 0;
    std::unique_ptr<unsigned char[]> dots;
    std::size_t dotBytes = 0;
    BodyBytes body;
};

#endif
