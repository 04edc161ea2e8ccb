// placeholder until the folder has real sources
