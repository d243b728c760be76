// Which build of the text writer's UTF-8 loops long texts go through.
#ifndef NYXML_SRC_WRITER_UTF8LOOPS_H
#define NYXML_SRC_WRITER_UTF8LOOPS_H

namespace NyXmlLib9 {
namespace Utf8Loops {

// The SSSE3 build when `use` is true and the processor has SSSE3 (the
// default), the plain SSE2 one otherwise; returns the choice before. Both
// give the same bytes: this lets the tests run each of them.
__attribute__((visibility("hidden"))) bool UseSsse3(bool use);

}  // namespace Utf8Loops
}  // namespace NyXmlLib9

#endif
