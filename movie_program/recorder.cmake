# The recording unit: its extra sources and tests.
