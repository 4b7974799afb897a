// The Win32 window backend; filled in with the window itself.
