// The preview module's one export, looked up by name when the program loads
// its first video.
#include "avpreviewengine.h"

#include "keptindex.h"

extern "C" Q_DECL_EXPORT PreviewEngine *snipora_make_preview_engine_v1()
{
    return new AvPreviewEngine(KeptIndex::userFolder());
}
