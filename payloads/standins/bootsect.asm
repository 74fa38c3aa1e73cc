; Boot sector of the DOS boot image when the builder supplied no DOS system
; files. The image builder writes the disk parameter fields (bytes 3-61) over
; the values below; the code tells the user that DOS is missing.

        bits    16
        org     0x7C00

        jmp     short start
        nop
        db      "MSWIN4.1"              ; OEM name
        dw      512                     ; bytes per sector
        db      2                       ; sectors per cluster
        dw      1                       ; reserved sectors
        db      2                       ; FAT copies
        dw      240                     ; root directory entries
        dw      5760                    ; total sectors
        db      0xF0                    ; media descriptor
        dw      9                       ; sectors per FAT
        dw      36                      ; sectors per track
        dw      2                       ; heads
        dd      0                       ; hidden sectors
        dd      0                       ; total sectors (32-bit)
        db      0                       ; drive number
        db      0                       ; reserved
        db      0x29                    ; extended boot signature
        dd      0x447F1BF3              ; volume serial number
        db      "NO NAME    "           ; volume label
        db      "FAT12   "              ; file system type

%include "bootmsg.inc"

        stand_in_boot message

message:
        db      13, 10
        db      "Trivex demo build: the DOS system files were not included in", 13, 10
        db      "this build, so this boot image cannot start DOS.", 13, 10
        db      "Nothing has been backed up or restored.", 13, 10, 13, 10
        db      "Press any key to restart. In the boot menu, choose Windows before", 13, 10
        db      "the countdown ends; then undo the job in Trivex (key U), so that", 13, 10
        db      "the next start goes straight to Windows again.", 13, 10, 0

        times   510 - ($ - $$) db 0
        dw      0xAA55
