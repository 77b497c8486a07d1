// SPDX-License-Identifier: Apache-2.0
// ColumnKernels: the encoder's inner loops for one way of running on the
// processor (a path), as one table of functions. The table the process uses
// is chosen once, from the processor's features, or from the environment
// variable RIDEV_COLUMN_PATH (avx2, sse2 or portable) when it names a path
// this processor can take. Every path gives the same bytes.
#ifndef RIDEVEDUDARUZO_ESCP_COLUMNKERNELS_H
#define RIDEVEDUDARUZO_ESCP_COLUMNKERNELS_H

#include <cstdint>

// The ways of running the inner loops: plain C++ (any processor), SSE2
// (every x86-64 processor) and AVX2.
enum class ColumnPath { kPortable, kSse2, kAvx2 };

struct ColumnKernels {
    // Most columns made at once.
    static constexpr std::uint64_t kBlockColumns = 256;
    // Spare bytes after a block's column bytes (wide stores may reach them).
    static constexpr std::uint64_t kBlockSpare = 32;

    ColumnPath path;
    // The path's name as RIDEV_COLUMN_PATH spells it.
    const char* name;

    // Stores at orBytes[i], for every i below usedBytes, the OR of byte i of
    // the `rows` rows from top, `stride` bytes apart.
    void (*orRows)(const unsigned char* top, std::uint64_t stride, int rows,
                   std::uint64_t usedBytes, unsigned char* orBytes);
    // Column bytes of `columns` columns of a pass from column 8 * byteStart,
    // one column after another at `out` (dot d in row firstRow + d *
    // rowStep; columnBytes bytes a column, top dot in the most significant
    // bit of the first). They are made in blocks of at most kBlockColumns
    // columns, so up to a block's bytes and kBlockSpare more after the last
    // column may be written too, with undefined bytes; columns beyond
    // usedBytes row bytes are undefined.
    void (*passColumns)(const unsigned char* firstRow, std::uint64_t rowStep, int columnBytes,
                        std::uint64_t byteStart, std::uint64_t usedBytes, std::uint64_t columns,
                        unsigned char* out);
    // Number of zero bytes at the start of `size` bytes (size when all are).
    std::uint64_t (*leadingZeroBytes)(const unsigned char* data, std::uint64_t size);
    // Packs grey pixels 0 .. width - 1 of a row into one-bit bytes: bit
    // 7 - (x mod 8) of out[x / 8] is set when grey[x] <= levels[x], the
    // lightest grey that still gets a dot there (never above 254: white,
    // 255, gets none); writes exactly (width + 7) / 8 bytes (padding bits
    // zero). The vector paths are fastest with levels on a 16-byte
    // boundary of memory.
    void (*ditherRow)(const unsigned char* grey, const unsigned char* levels, int width,
                      unsigned char* out);

    // The table of a path; null when this build has none for it or the
    // processor cannot run it.
    static const ColumnKernels* ForPath(ColumnPath path);
    // The table the process uses, chosen on first use.
    static const ColumnKernels& Current();
    // Makes the process use a path; false (nothing changes) when it is not
    // available here.
    static bool Use(ColumnPath path);
    // What RIDEV_COLUMN_PATH asked for when the process could not start
    // with it (an unknown name, or a path this processor lacks); empty
    // otherwise.
    static const char* RefusedRequest();
};

// The tables of the paths, each in a file of its own. The vector ones
// exist only in builds for x86-64 (the AVX2 file is compiled for AVX2, so
// nothing of it runs before the processor is known to have it); reach them
// through ForPath.
extern const ColumnKernels kPortableKernels;
// The portable path as a processor without vector registers takes it (the
// word versions of the OR, the zero scan and the dither), built on every
// processor so that it is tested everywhere.
extern const ColumnKernels kPortableWordKernels;
extern const ColumnKernels kSse2Kernels;
extern const ColumnKernels kAvx2Kernels;

// The portable path's vector kernels by name, for the x86 tables that take
// them as they are (the compiler makes SSE2 code of their generic
// vectors); see ColumnKernels for what each does.
namespace portable {
void PassColumns(const unsigned char* firstRow, std::uint64_t rowStep, int columnBytes,
                 std::uint64_t byteStart, std::uint64_t usedBytes, std::uint64_t columns,
                 unsigned char* out);
void OrRows(const unsigned char* top, std::uint64_t stride, int rows, std::uint64_t usedBytes,
            unsigned char* orBytes);
std::uint64_t LeadingZeroBytes(const unsigned char* data, std::uint64_t size);
}  // namespace portable

#endif
