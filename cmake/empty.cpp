// The shared library is assembled from the core's archives; this unit only gives it a source.
