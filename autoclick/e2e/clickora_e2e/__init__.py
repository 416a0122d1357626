"""The end-to-end driver of tapvane: one App interface, its Wine implementation, the product's
texts and design read from its own sources, and the test environment (testenv)."""
