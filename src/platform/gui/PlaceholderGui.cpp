// Filled by the desktop services.
