# The playback unit: its extra sources and tests.
