// Everything the library offers, in one include.
#ifndef NYXML_NYXML_H
#define NYXML_NYXML_H

#include <nyxml/context.h>
#include <nyxml/document.h>
#include <nyxml/export.h>
#include <nyxml/fastinfoset.h>
#include <nyxml/foundation.h>
#include <nyxml/types.h>

#endif
