// Interface ids the SDK headers declare but none of the SDK sources we build defines: the
// editor view and its frame, content scaling, and the Linux run-loop interfaces a host
// hands to a view. Every other id comes from the SDK's own id files.
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

namespace Steinberg
{

DEF_CLASS_IID(IPlugView)
DEF_CLASS_IID(IPlugFrame)
DEF_CLASS_IID(IPlugViewContentScaleSupport)

#if SMTG_OS_LINUX
namespace Linux
{
DEF_CLASS_IID(IEventHandler)
DEF_CLASS_IID(ITimerHandler)
DEF_CLASS_IID(IRunLoop)
} // namespace Linux
#endif

} // namespace Steinberg
