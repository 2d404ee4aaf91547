#pragma once

class CMainFrame;
class CVorlaneView;

// Copy, Fill, Goto and Clear Selection: the view's handlers behind the
// frame's commands.
void BindEditCommands(CMainFrame& frame, CVorlaneView& view);
