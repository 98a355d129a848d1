// The pictures reach the program as Qt resources; this library only carries them.
