// Keeps a library target valid while a subsystem folder is still empty.
