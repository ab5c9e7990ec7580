#pragma once

class IGraphics;
class IPlugBase;

// Creates the editor of this platform's window layer (IGraphicsWin on Windows, IGraphicsX11 on
// Linux) for plugin, width x height pixels, redrawn frameRate times a second. The caller owns
// the result (in practice it hands it to the plug-in with AttachEditor). Defined once per
// platform folder, so the effect and the core never include a platform header.
IGraphics* MakePlatformGraphics(IPlugBase* plugin, int width, int height, int frameRate);
