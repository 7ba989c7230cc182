// Anchor so that zt_gui exists before the folders add their window files.
