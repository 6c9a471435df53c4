placeholder uboot.boot of the download tool
