// Symbol export for the shared library: everything is hidden unless marked.
#ifndef NYXML_EXPORT_H
#define NYXML_EXPORT_H

#define NYXML_API __attribute__((visibility("default")))

#endif
