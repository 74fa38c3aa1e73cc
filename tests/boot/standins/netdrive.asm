; NETDRIVE.COM for the volscan test: makes P: a drive that DOS says a
; redirector serves (as the NTFS driver's drives are), by filling P:'s
; current-directory entry as a network drive's. Nothing serves it: only
; questions about the drive itself may be asked of it. Needs LASTDRIVE=Z.

        bits    16
        org     0x100

CDS_SIZE        equ     0x58            ; one current-directory entry
CDS_FLAGS       equ     0x43
NETWORK         equ     0xC000          ; network, and in use
DRIVE           equ     15              ; P:

start:  cld
        mov     ah, 0x52                ; list of lists in ES:BX
        int     0x21
        cmp     byte [es:bx + 0x21], DRIVE + 1
        jb      .refuse
        les     di, [es:bx + 0x16]      ; the current-directory entries
        add     di, DRIVE * CDS_SIZE
        mov     bx, di
        xor     al, al
        mov     cx, CDS_SIZE
        rep     stosb
        mov     di, bx
        mov     si, share
        mov     cx, share_length
        rep     movsb
        mov     word [es:bx + CDS_FLAGS], NETWORK
        mov     ax, 0x4C00
        int     0x21
.refuse:
        mov     ax, 0x4C01
        int     0x21

share:          db "\\SERVER\SHARE", 0
share_length    equ $ - share
