// Placeholder unit for a library folder that has no code of its own yet.
