; BIGSECT.COM for the volscan test: stays resident and makes the BIOS's
; parameters of the second hard disk (INT 13h AH=48h, DL=81h) say 4096
; bytes per sector. Everything else is the BIOS's own.

        bits    16
        org     0x100

        jmp     install

bios:   dd      0

disk_call:
        cmp     ah, 0x48
        jne     .bios
        cmp     dl, 0x81
        jne     .bios
        pushf
        call    far [cs:bios]
        jc      .done
        mov     word [si + 0x18], 4096  ; the bytes per sector, in the caller's DS:SI
.done:  sti
        retf    2                       ; the caller's flags, with the BIOS's CF
.bios:  jmp     far [cs:bios]

install:
        mov     ax, 0x3513
        int     0x21
        mov     [bios], bx
        mov     [bios + 2], es
        mov     dx, disk_call
        mov     ax, 0x2513
        int     0x21
        mov     dx, (install - $$ + 0x100 + 15) / 16
        mov     ax, 0x3100
        int     0x21
